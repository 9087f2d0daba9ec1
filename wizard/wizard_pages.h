// What the six page procedures share.
#ifndef QVX_WIZARD_PAGES_H
#define QVX_WIZARD_PAGES_H

#include <windows.h>
#include <commctrl.h>
#include "wizard/resource_ids.h"
#include "wizard/wizard.h"

// Page indexes in the sheet.
enum { PAGE_WELCOME, PAGE_PLUG, PAGE_CONFIG, PAGE_NOTDETECTED, PAGE_MANUAL,
       PAGE_FINISH, PAGE_COUNT };

// The program's instance that the sheet was given; the pages' templates
// and pictures come from it.
extern HINSTANCE g_wizardInstance;

// The port for which disabling the serial mouse was agreed (0 = none);
// Finish acts only on an agreement made for the port it installs.
extern int g_agreedMousePort;

INT_PTR CALLBACK WelcomePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK PlugTabletPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK ConfigPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK NotDetectedPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK ManualPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK FinishPageProc(HWND, UINT, WPARAM, LPARAM);

// Sets the page's answer to the notification being handled; returns TRUE.
INT_PTR PageResult(HWND page, LONG_PTR result);

// Posts the sheet's wizard buttons (PSWIZB_* bits).
void PostButtons(HWND page, DWORD buttons);

// Moves the sheet to another page; the notification answers -1.
INT_PTR JumpTo(HWND page, int index);

// Port scan with the wait cursor; stores the selected port and the
// probe-found flag and returns the flag.
int ScanForTablet(void);

// Serial-mouse lookup (disable nonzero: also disable the mouse) with the
// sheet disabled and every page refusing Next, Back, Finish and Cancel, so
// nothing the user does acts while the detector is awaited. Every lookup
// the pages make goes through here. Returns the lookup's result.
int LookUpMouse(HWND page, int disable);

// The Plug Tablet page's pictures: each bitmap loaded at its control's size
// when the page is created, and deleted when the page goes.
void FitPlugPictures(HWND page);
void ReleasePlugPictures(void);

// Handles the notifications every page answers the same way. Returns TRUE
// when it handled the notification (its answer already set).
int HandleCommonNotify(HWND page, const NMHDR *hdr);

// A radio click on a page whose buttons run from first to last: checks only
// the clicked button and returns its ID, or 0 for other commands.
int HandleRadioClick(HWND page, WPARAM wParam, int first, int last);

// What the two choice pages (Tablet Configuration, Tablet not detected)
// share: the mark of *choice at creation and activation, the clicked button
// kept in *choice, the choice cleared on Cancel, the common notifications.
// Returns TRUE when it handled the message (its answer already set); Next
// and Back are left to the page.
int HandleChoicePage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam,
                     int first, int last, int *choice);

#endif
