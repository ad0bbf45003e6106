#pragma once
// Resource numbers of the main window's pictures.
#define IDB_ADBANNER 201
#define IDB_QVBANNER 202
#define IDI_ENTRY_UNKNOWN 203
#define IDI_ENTRY_KNOWN 204
// The banners drawn at twice the size, for screens of more than 96 dots per
// inch.
#define IDB_ADBANNER2X 205
#define IDB_QVBANNER2X 206
