// Resource identifiers.
#pragma once

#define IDI_SORVIK 1
// Toolbar strips by image size: 16, 20, 24 and 32 pixels.
#define IDB_TOOLBAR16 101
#define IDB_TOOLBAR20 102
#define IDB_TOOLBAR24 103
#define IDB_TOOLBAR32 104
#define IDD_ABOUT 201
#define IDC_ABOUT_PANEL 210
#define IDC_ABOUT_ICON 211
#define IDC_ABOUT_PRODUCT 212
#define IDC_ABOUT_VERSION 213
#define IDC_ABOUT_COPYRIGHT 214
#define IDC_ABOUT_COMMENTS 215
#define IDC_ABOUT_BEVEL 216
