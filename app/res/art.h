#pragma once
// Resource numbers of the main window's pictures.
#define IDB_ADBANNER 201
#define IDB_QVBANNER 202
#define IDI_ENTRY_UNKNOWN 203
#define IDI_ENTRY_KNOWN 204
