// Resource ids of TalveniaInstaller.exe: dialog templates, controls, bitmaps, icons and documents.
#pragma once

// Dialog templates
#define IDD_WIZARD_INSTALLER  133
#define IDD_PAGE_WELCOME      134
#define IDD_PAGE_LICENSE      135
#define IDD_PAGE_CONNECTION   136
#define IDD_PAGE_DESTINATION  137
#define IDD_PAGE_INSTALLATION 138
#define IDD_PAGE_READY        146
#define IDD_PAGE_END          147

// Bitmaps and icons
#define IDB_NOT_CONNECTED   129
#define IDB_CONNECTED       130
#define IDB_STEPS           139
#define IDB_BANNER_TALVENIA 148
#define IDB_BANNER_FENDRO   149
#define IDR_MAINFRAME       151

// Documents (custom resource type "Document")
#define IDR_LICENSE      140
#define IDR_DEVICE_AGENT 142

// Frame (133)
#define IDC_BACK          3
#define IDC_STEPS         1012
#define IDC_PAGE_AREA     1013
#define IDC_NEXT          1014
#define IDC_CANCEL_BUTTON 1015
#define IDC_STEPS_TITLE   1031
#define IDC_HEADER        1033

// Licence page (135)
#define IDC_ACCEPT       1017
#define IDC_LICENSE_TEXT 1023

// Connection page (136)
#define IDC_CONNECTION_PICTURE 1024
#define IDC_REFRESH_CONNECTION 1025
#define IDC_CONNECTION_RESULT  1026

// Destination page (137)
#define IDC_REQUIRED_MEMORY     1017
#define IDC_REFRESH_DESTINATION 1018
#define IDC_DESTINATION         1019
#define IDC_NOTES               1021
#define IDC_FREE_MEMORY         1027

// Installation page (138)
#define IDC_LOG      1016
#define IDC_PROGRESS 1022

// Ready-to-install page (146)
#define IDC_DESTINATION_FOLDER 1032

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
