#pragma once
// The lines of the language file by name. Line n of qv6.lng is entry n of
// the language table; a translation is another file with the same
// numbering, so these numbers are part of the file format. Every place that
// reads a line names it here. Pure code.

namespace qv::Lng {

// 0 to 8: the names of the nine autostart groups, line n naming group n.
constexpr int GroupNameFirst = 0;
constexpr int ExplorerCaption = 9; // Caption of the c:\explorer.exe entry

// Process page.
constexpr int KillQuestion = 10;

// Deleting entries at their source; the "%s" arguments in the order given.
constexpr int DeleteRegistryQuestion = 11; // data, name, key path
constexpr int DeleteRegistryFailed = 12;   // data, name, key path
constexpr int DeleteIniQuestion = 13;      // key, section, file, data
constexpr int DeleteIniFailed = 14;        // key, section, file, data
constexpr int DeleteFileQuestion = 15;     // file
constexpr int DeleteFileFailed = 16;       // file
constexpr int DeleteFileFailedHint = 17;   // second line of the file message

constexpr int ProcBoxCaption = 21;     // "%s": number of processes
constexpr int ProcSurvBoxCaption = 22; // "%s": number of surveillance entries
constexpr int KillStatus = 23;
constexpr int KillFailedHeader = 24;
constexpr int ASListBoxCaption = 25; // "%s": number of rows

// Check marks of the autostart list.
constexpr int CheckMarkFailed = 26;
constexpr int Group1NotDeactivatable = 30;

// The warning before a system-relevant entry (SourceFlag 1) is deleted or
// opened in the editor: the three lines joined by CR.
constexpr int SystemEntryWarning1 = 27;
constexpr int SystemEntryWarning2 = 28;
constexpr int SystemEntryWarning3 = 29;

// Process information dialog.
constexpr int InfoDirectory = 31;
constexpr int InfoFileName = 32;
constexpr int InfoSize = 33;
constexpr int InfoDate = 34;
constexpr int InfoLanguage = 35;
constexpr int InfoNoVersion = 36;
constexpr int InfoAttributeSet = 37;
constexpr int InfoArchive = 38;
constexpr int InfoHidden = 39;
constexpr int InfoReadOnly = 40;
constexpr int InfoSystem = 41;
constexpr int InfoUsage = 42;
constexpr int InfoProcessId = 43;
constexpr int InfoParentId = 44;
constexpr int InfoModuleId = 45;
// Line 46 holds the warning before the explorer.exe shell line of
// system.ini is deleted; the thread-count caption lives in line 48, which
// nothing else reads, so that neither text has to serve both.
constexpr int ExplorerShellWarning = 46;
constexpr int InfoBasePriority = 47;
constexpr int InfoThreads = 48;

// System information list.
constexpr int SysMemoryLoad = 54;
constexpr int SysTotalPhysical = 55;
constexpr int SysAvailable = 56; // free physical and free virtual memory
constexpr int SysTotalVirtual = 57;

// Report.
constexpr int ReportSaved = 58;
constexpr int ReportEmptyFile = 61;
constexpr int ReportRootKey = 64;
constexpr int ReportKey = 65;
constexpr int ReportName = 66;
constexpr int ReportValue = 67;
constexpr int ReportFolder = 68;
constexpr int ReportFile = 69;
constexpr int ReportTarget = 70;
constexpr int ReportContents = 71;

// Text file editor.
constexpr int EditorCloseQuestion = 62;
constexpr int EditorCaptionFile = 63; // "%s": the file's path

// Guard.
constexpr int GuardRunning = 72;
constexpr int GuardNotRunning = 73;
constexpr int GuardWindowNotFound = 74;
constexpr int GuardDidNotStart = 75;

// Captions and hints of the main window's controls, applied at start-up.
constexpr int QVGuardBtnCaption = 77;
constexpr int QVGuardBtnHint = 78;
constexpr int HelpBtnCaption = 79;
constexpr int HelpBtnHint = 80;
constexpr int ASRefreshBtnCaption = 81;
constexpr int ASRefreshBtnHint = 82;
constexpr int TabCaptionFirst = 83; // 83, 84, 85: the three tabs
constexpr int SelectASBoxCaption = 86;
constexpr int ASListBoxDesignCaption = 87;
constexpr int ASWriteProtectChkCaption = 88;
constexpr int ASWriteProtectChkHint = 89;
constexpr int ASEditBtnCaption = 90;
constexpr int ASEditBtnHint = 91;
constexpr int ASEditorBtnCaption = 92;
constexpr int ASEditorBtnHint = 93;
constexpr int ASDelBtnCaption = 94;
constexpr int ASDelBtnHint = 95;
constexpr int AddEntryToDBBtnCaption = 96;
constexpr int AddEntryToDBBtnHint = 97;
constexpr int DelEntryFromDBBtnCaption = 98;
constexpr int DelEntryFromDBBtnHint = 99;
constexpr int MenuAllCaption = 100;      // item 0 of both database menus
constexpr int MenuSelectedCaption = 101; // item 1 of both database menus
constexpr int ReportBtnCaption = 102;
constexpr int ReportBtnHint = 103;
constexpr int ProcSurvBoxDesignCaption = 104;
constexpr int ProcRefreshBtnCaption = 105;
constexpr int ProcRefreshBtnHint = 106;
constexpr int ProcKillBtnCaption = 107;
constexpr int ProcKillBtnHint = 108;
constexpr int ProcInfoBtnCaption = 109;
constexpr int ProcInfoBtnHint = 110;
constexpr int SwitchSurvBtnCaption = 111;
constexpr int SwitchSurvBtnHint = 112;
constexpr int AddSurvBtnCaption = 113;
constexpr int AddSurvBtnHint = 114;
constexpr int FinishSurvBtnCaption = 115;
constexpr int FinishSurvBtnHint = 116;
constexpr int SurvSelectAllChkCaption = 117;
constexpr int SurvSelectAllChkHint = 118;
constexpr int CPLblCaption = 119;
constexpr int QVUpdateBtnCaption = 120;
constexpr int QVUpdateBtnHint = 121;

// Text file editor window.
constexpr int EditorWindowCaption = 122;
constexpr int EditorWriteProtectCaption = 123;
constexpr int EditorWriteProtectHint = 124;
constexpr int EditorSaveCaption = 125;
constexpr int EditorSaveHint = 126;
constexpr int EditorCloseCaption = 127;
constexpr int EditorCloseHint = 128;

// Report window.
constexpr int ReportSaveCaption = 129;
constexpr int ReportSaveHint = 130;
constexpr int ReportCloseCaption = 131;
constexpr int ReportCloseHint = 132;

// Process information dialog window.
constexpr int InfoWindowCaption = 133;
constexpr int InfoFileBoxCaption = 134;
constexpr int InfoProcBoxCaption = 135;
constexpr int InfoCloseCaption = 136; // also its hint

// Entry edit dialog.
constexpr int EditDialogCaption = 138; // window and group box
constexpr int EditKeyLabel = 139;
constexpr int EditValueLabel = 140;
constexpr int EditOkCaption = 141;
constexpr int EditCancelCaption = 142;

// Update check.
constexpr int UpdateWait = 165;
constexpr int UpdateNotPossible = 166; // the server's answer -1
constexpr int UpdateCurrent = 167;     // the server's answer 0
constexpr int UpdateConfirm = 168;     // the server's answer 1
constexpr int UpdateGuardStopped = 170;

// Process page: the second question when a ticked process is one Windows
// cannot run without.
constexpr int KillCriticalQuestion = 171;

// The highest line the program reads.
constexpr int Last = 171;

} // namespace qv::Lng
