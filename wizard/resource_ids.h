/*
 * Resource and control IDs of the installer's wizard pages. Included both by
 * the page procedures (C++) and by pages.rc, so: plain #defines only.
 */
#ifndef WIZARD_RESOURCE_IDS_H
#define WIZARD_RESOURCE_IDS_H

/* Page templates (RT_DIALOG). */
#define IDD_FINISH          101
#define IDD_WELCOME         102
#define IDD_CONFIG          103
#define IDD_NOTDETECTED     105
#define IDD_PLUGTABLET      106
#define IDD_MANUAL          107

/* Pictures of the Plug Tablet page (RT_BITMAP). */
#define IDB_PLUG25          108
#define IDB_LABEL2          109
#define IDB_PLUG9           110
#define IDB_LABEL1          111
#define IDB_PANEL           112
#define IDB_LABELOR         114
/* The two pictures with pins drawn again for the default screen (96 dpi),
   where their controls are 108 x 73 and 150 x 101 pixels: shrunk, the
   Large Fonts drawings lose their pins. */
#define IDB_PLUG25_SMALL    118
#define IDB_PLUG9_SMALL     120

/* Sizes of the Plug Tablet page's pictures in dialog units (width, height):
   the template's and the page's, which loads each bitmap at the size of its
   control. */
#define PICSIZE_PANEL       245, 100
#define PICSIZE_LABEL       25, 25
#define PICSIZE_PLUG9       72, 45
#define PICSIZE_PLUG25      100, 62

/* Program icon (RT_GROUP_ICON); also the ID of the icon controls. */
#define IDI_SETUP           300

/* Manual page: COM1..COM8; the selected port is the button ID - 999. */
#define IDC_COM1            1000
#define IDC_COM2            1001
#define IDC_COM3            1002
#define IDC_COM4            1003
#define IDC_COM5            1004
#define IDC_COM6            1005
#define IDC_COM7            1006
#define IDC_COM8            1007

/* Tablet not detected page. */
#define IDC_RETRY           1021
#define IDC_MANUAL          1022
#define IDC_ABORT           1023

/* Finish page: the port text. */
#define IDC_PORTTEXT        1028

/* Tablet Configuration page. */
#define IDC_TABLETONLY      1029
#define IDC_MOUSEANDTABLET  1030

#endif
