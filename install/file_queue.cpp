// The file queue of a run: opening it, committing it through the shared
// callback, and learning from the callback whether every file arrived.
#include "install/install.h"

int OpenFileQueue(HWND owner, HSPFILEQ *queue, QueueContext *context)
{
    ZeroMemory(context, sizeof *context);
    context->owner = owner;
    *queue = SetupOpenFileQueue();
    if (*queue == NULL || *queue == INVALID_HANDLE_VALUE)
        return 0;
    context->defaultContext =
        SetupInitDefaultQueueCallbackEx(owner, NULL, 0, 0, NULL);
    if (context->defaultContext == NULL) {
        SetupCloseFileQueue(*queue);
        return 0;
    }
    return 1;
}

void CloseFileQueue(HSPFILEQ queue, QueueContext *context)
{
    SetupTermDefaultQueueCallback(context->defaultContext);
    SetupCloseFileQueue(queue);
}

int CopySectionFiles(HWND owner, HINF inf, HSPFILEQ queue,
                     QueueContext *context, const char *dir,
                     const char *first, const char *second)
{
    // Only the second section's result decides whether the queue is
    // committed: the first one may have no file operations at all. A first
    // section that does not queue still leaves its files out, and the run
    // must not refer to them.
    int firstQueued = SetupInstallFilesFromInfSectionA(inf, NULL, queue, first,
                                                       dir, QVX_COPY_NEWER);
    if (!SetupInstallFilesFromInfSectionA(inf, NULL, queue, second, dir,
                                          QVX_COPY_NEWER))
        return 0;
    context->copyFailed = 0;
    context->mediaChecked = 0;
    context->copyVerdict = COPY_AT_END;
    if (!SetupCommitFileQueueA(owner, queue, QueueFileCallback, context))
        return 0;
    return firstQueued && !context->copyFailed;
}

// A folder that the last deleted file left empty (the installed
// uninstaller's, removed from the driver disk) goes too; RemoveDirectoryA
// removes only an empty one, so nothing else can be lost.
static void RemoveEmptyFolderOf(const char *path)
{
    char folder[MAX_PATH];
    if (lstrlenA(path) >= MAX_PATH)
        return;
    lstrcpyA(folder, path);
    char *cut = NULL;
    for (char *p = folder; *p; p++)
        if (*p == '\\')
            cut = p;
    if (!cut || cut == folder || cut[-1] == ':')
        return;
    *cut = '\0';
    RemoveDirectoryA(folder);
}

// The driver disk is asked for: the package folder lacks a file (a bad
// sector, an incomplete copy) or a floppy was taken out. The user may name
// another folder, or cancel. Where the file is there the prompt does not
// show. Should the same request come back before any copy ended (the disk
// was found, yet the copy still finds no file), the prompt shows anyway:
// answering it silently again would go round for ever.
static UINT PromptForDisk(QueueContext *context, const SOURCE_MEDIA_A *media,
                          char *newPath)
{
    if (!media || !newPath)
        return FILEOP_ABORT;
    // The media carries copy flags; the prompt has flags of its own.
    DWORD style = 0;
    if (media->Flags & (SP_COPY_NOSKIP | SP_FLAG_CABINETCONTINUATION))
        style |= IDF_NOSKIP;
    if (media->Flags & SP_COPY_WARNIFSKIP)
        style |= IDF_WARNIFSKIP;
    if (media->Flags & SP_COPY_NOBROWSE)
        style |= IDF_NOBROWSE;
    if (!context->mediaChecked)
        style |= IDF_CHECKFIRST;
    char path[MAX_PATH];
    path[0] = '\0';
    UINT answer = SetupPromptForDiskA(context->owner, NULL, media->Description,
                                      media->SourcePath, media->SourceFile,
                                      media->Tagfile, style, path, sizeof path,
                                      NULL);
    if (answer == DPROMPT_SUCCESS) {
        context->mediaChecked = 1;
        if (path[0] != '\0' &&
            (!media->SourcePath || lstrcmpiA(path, media->SourcePath) != 0)) {
            lstrcpynA(newPath, path, MAX_PATH);
            return FILEOP_NEWPATH;
        }
        return FILEOP_DOIT;
    }
    context->copyFailed = 1;
    return answer == DPROMPT_SKIPFILE ? FILEOP_SKIP : FILEOP_ABORT;
}

UINT CALLBACK QueueFileCallback(PVOID contextArg, UINT notification,
                                UINT_PTR param1, UINT_PTR param2)
{
    QueueContext *context = (QueueContext *)contextArg;
    const FILEPATHS_A *paths = (const FILEPATHS_A *)param1;
    UINT answer;
    switch (notification) {
    case SPFILENOTIFY_DELETEERROR:
        // A file in use (the running uninstaller, a driver Windows holds)
        // cannot be deleted now: Windows deletes it at the restart the run
        // asks for, and the queue goes on without asking the user.
        if (paths && paths->Target)
            DeleteAtRestart(paths->Target);
        return FILEOP_SKIP;
    case SPFILENOTIFY_NEEDMEDIA:
        return PromptForDisk(context, (const SOURCE_MEDIA_A *)param1,
                             (char *)param2);
    case SPFILENOTIFY_STARTCOPY:
        context->copyVerdict = COPY_AT_END;
        break;
    case SPFILENOTIFY_COPYERROR:
        // The default callback asks the user (or, in some setupapi
        // versions, passes over in silence); either way a file skipped or a
        // queue cancelled here did not arrive. A retry, or another folder,
        // that fails again comes back here.
        answer = SetupDefaultQueueCallbackA(context->defaultContext,
                                            notification, param1, param2);
        if (answer == FILEOP_DOIT || answer == FILEOP_NEWPATH) {
            context->copyVerdict = COPY_ARRIVED;
        } else {
            context->copyFailed = 1;
            context->copyVerdict = COPY_MISSING;
        }
        // The disk was there; a file that could not be written says nothing
        // about it, so the next request for the disk looks before it asks.
        context->mediaChecked = 0;
        return answer;
    case SPFILENOTIFY_FILEOPDELAYED:
        // A file in use: Windows puts it in place at the restart.
        context->copyVerdict = COPY_ARRIVED;
        break;
    case SPFILENOTIFY_ENDDELETE:
        if (paths && paths->Target &&
            GetFileAttributesA(paths->Target) == 0xFFFFFFFF)
            RemoveEmptyFolderOf(paths->Target);
        break;
    case SPFILENOTIFY_ENDCOPY:
        context->mediaChecked = 0;
        if (context->copyVerdict == COPY_MISSING ||
            (context->copyVerdict == COPY_AT_END && paths &&
             paths->Win32Error != NO_ERROR))
            context->copyFailed = 1;
        // Installed again before the restart that was to delete it (removed,
        // then set up again without restarting): the file must stay.
        else if (paths && paths->Target)
            KeepAtRestart(paths->Target);
        break;
    }
    return SetupDefaultQueueCallbackA(context->defaultContext, notification,
                                      param1, param2);
}
