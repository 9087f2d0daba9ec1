#include "test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <vector>

#include "install/install.h"

std::string ProgramDir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.rfind('\\') + 1);
}

std::string DirFromEnv(const char *variable)
{
    const char *unix = getenv(variable);
    if (!unix)
        return "";
    std::string dir = std::string("Z:") + unix;
    for (char &c : dir)
        if (c == '/')
            c = '\\';
    return dir + "\\";
}

std::string SystemFile(const char *name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const std::string &path, bool *exists)
{
    std::string data;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           NULL, OPEN_EXISTING, 0, NULL);
    if (exists)
        *exists = f != INVALID_HANDLE_VALUE;
    if (f == INVALID_HANDLE_VALUE)
        return data;
    char buf[65536];
    DWORD got;
    while (ReadFile(f, buf, sizeof buf, &got, NULL) && got)
        data.append(buf, got);
    CloseHandle(f);
    return data;
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                           CREATE_ALWAYS, 0, NULL);
    if (f == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot write " << path;
        return;
    }
    DWORD done;
    WriteFile(f, bytes.data(), (DWORD)bytes.size(), &done, NULL);
    CloseHandle(f);
}

std::string ProfileValue(const std::string &file, const std::string &section,
                         const std::string &key)
{
    std::vector<char> buf(65536);
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "<absent>", buf.data(),
                             (DWORD)buf.size(), file.c_str());
    return buf.data();
}

void DeleteTree(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char child[512];
    DWORD size = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &size, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        DeleteTree(key, child);
        size = sizeof child;
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path);
}

bool ClassKeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

FARPROC Real(const char *name)
{
    return GetProcAddress(LoadLibraryA("setupapi.dll"), name);
}
