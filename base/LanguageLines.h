#pragma once
// The lines of the language file by name. Line n of qv6.lng is entry n of
// the language table; a translation is another file with the same
// numbering, so these numbers are part of the file format. Every place that
// reads a line names it here; a line is a type of its own so that no stray
// number or sum compiles as one. Pure code.

namespace qv {

enum class Lng : int {
    // 0 to 8: the names of the nine autostart groups, line n naming group n.
    GroupNameFirst = 0,
    ExplorerCaption = 9, // Caption of the c:\explorer.exe entry

    // Process page.
    KillQuestion = 10,

    // Deleting entries at their source; the "%s" arguments in the order given.
    DeleteRegistryQuestion = 11, // data, name, key path
    DeleteRegistryFailed = 12,   // data, name, key path
    DeleteIniQuestion = 13,      // key, section, file, data
    DeleteIniFailed = 14,        // key, section, file, data
    DeleteFileQuestion = 15,     // file
    DeleteFileFailed = 16,       // file
    DeleteFileFailedHint = 17,   // second line of the file message

    ProcBoxCaption = 21,     // "%s": number of processes
    ProcSurvBoxCaption = 22, // "%s": number of surveillance entries
    KillStatus = 23,
    KillFailedHeader = 24,
    ASListBoxCaption = 25, // "%s": number of rows

    // Check marks of the autostart list.
    CheckMarkFailed = 26,
    Group1NotDeactivatable = 30,

    // The warning before a system-relevant entry (SourceFlag 1) is deleted or
    // opened in the editor: the three lines joined by CR.
    SystemEntryWarning1 = 27,
    SystemEntryWarning2 = 28,
    SystemEntryWarning3 = 29,

    // Process information dialog.
    InfoDirectory = 31,
    InfoFileName = 32,
    InfoSize = 33,
    InfoDate = 34,
    InfoLanguage = 35,
    InfoNoVersion = 36,
    InfoAttributeSet = 37,
    InfoArchive = 38,
    InfoHidden = 39,
    InfoReadOnly = 40,
    InfoSystem = 41,
    InfoUsage = 42,
    InfoProcessId = 43,
    InfoParentId = 44,
    InfoModuleId = 45,
    // Line 46 holds the warning before the explorer.exe shell line of
    // system.ini is deleted; the thread-count caption lives in line 48, which
    // nothing else reads, so that neither text has to serve both.
    ExplorerShellWarning = 46,
    InfoBasePriority = 47,
    InfoThreads = 48,

    // System information list.
    SysMemoryLoad = 54,
    SysTotalPhysical = 55,
    SysAvailable = 56, // free physical and free virtual memory
    SysTotalVirtual = 57,

    // Report.
    ReportSaved = 58,
    ReportEmptyFile = 61,
    ReportRootKey = 64,
    ReportKey = 65,
    ReportName = 66,
    ReportValue = 67,
    ReportFolder = 68,
    ReportFile = 69,
    ReportTarget = 70,
    ReportContents = 71,

    // Text file editor.
    EditorCloseQuestion = 62,
    EditorCaptionFile = 63, // "%s": the file's path

    // Guard.
    GuardRunning = 72,
    GuardNotRunning = 73,
    GuardWindowNotFound = 74,
    GuardDidNotStart = 75,

    // Captions and hints of the main window's controls, applied at start-up.
    QVGuardBtnCaption = 77,
    QVGuardBtnHint = 78,
    HelpBtnCaption = 79,
    HelpBtnHint = 80,
    ASRefreshBtnCaption = 81,
    ASRefreshBtnHint = 82,
    TabCaptionFirst = 83, // 83, 84, 85: the three tabs
    SelectASBoxCaption = 86,
    ASListBoxDesignCaption = 87,
    ASWriteProtectChkCaption = 88,
    ASWriteProtectChkHint = 89,
    ASEditBtnCaption = 90,
    ASEditBtnHint = 91,
    ASEditorBtnCaption = 92,
    ASEditorBtnHint = 93,
    ASDelBtnCaption = 94,
    ASDelBtnHint = 95,
    AddEntryToDBBtnCaption = 96,
    AddEntryToDBBtnHint = 97,
    DelEntryFromDBBtnCaption = 98,
    DelEntryFromDBBtnHint = 99,
    MenuAllCaption = 100,      // item 0 of both database menus
    MenuSelectedCaption = 101, // item 1 of both database menus
    ReportBtnCaption = 102,
    ReportBtnHint = 103,
    ProcSurvBoxDesignCaption = 104,
    ProcRefreshBtnCaption = 105,
    ProcRefreshBtnHint = 106,
    ProcKillBtnCaption = 107,
    ProcKillBtnHint = 108,
    ProcInfoBtnCaption = 109,
    ProcInfoBtnHint = 110,
    SwitchSurvBtnCaption = 111,
    SwitchSurvBtnHint = 112,
    AddSurvBtnCaption = 113,
    AddSurvBtnHint = 114,
    FinishSurvBtnCaption = 115,
    FinishSurvBtnHint = 116,
    SurvSelectAllChkCaption = 117,
    SurvSelectAllChkHint = 118,
    CPLblCaption = 119,
    QVUpdateBtnCaption = 120,
    QVUpdateBtnHint = 121,

    // Text file editor window.
    EditorWindowCaption = 122,
    EditorWriteProtectCaption = 123,
    EditorWriteProtectHint = 124,
    EditorSaveCaption = 125,
    EditorSaveHint = 126,
    EditorCloseCaption = 127,
    EditorCloseHint = 128,

    // Report window.
    ReportSaveCaption = 129,
    ReportSaveHint = 130,
    ReportCloseCaption = 131,
    ReportCloseHint = 132,

    // Process information dialog window.
    InfoWindowCaption = 133,
    InfoFileBoxCaption = 134,
    InfoProcBoxCaption = 135,
    InfoCloseCaption = 136, // also its hint

    // Entry edit dialog.
    EditDialogCaption = 138, // window and group box
    EditKeyLabel = 139,
    EditValueLabel = 140,
    EditOkCaption = 141,
    EditCancelCaption = 142,

    // Update check.
    UpdateWait = 165,
    UpdateNotPossible = 166, // the server's answer -1
    UpdateCurrent = 167,     // the server's answer 0
    UpdateConfirm = 168,     // the server's answer 1
    UpdateGuardStopped = 170,

    // Process page: the second question when a ticked process is one Windows
    // cannot run without.
    KillCriticalQuestion = 171,

    // What the user is told when the update check's network fails; the
    // system's own words stay in the exception's message.
    NetStartFailed = 172,
    NetHostNotFound = 173,
    NetLookupTimedOut = 174,
    NetConnectTimedOut = 175,
    NetRefused = 176,
    NetCancelled = 177,
    NetAborted = 178,
    NetError = 179,
    NetAnswerTooLong = 180,
    NetTooManyRedirects = 181,
    NetBusy = 182,
    NetBadAddress = 183,
    NetHttpsUnsupported = 184,

    // 185 to 193: the names of the groups 9 to 17, in group order.
    NewGroupNameFirst = 185,
    // Why the rows of a group cannot be changed here (check mark, edit,
    // delete).
    WinlogonReadOnly = 194,
    LsaReadOnly = 195,
    DriverReadOnly = 196,
    GroupReadOnly = 197, // print monitors, packaged apps: read-only for now
    // A change the system refused for want of administrator rights: nothing
    // was changed; the question offers to start the program again elevated.
    NeedsAdminQuestion = 198,
    // The mark behind a row that is what Windows itself puts there.
    WindowsDefaultMark = 199,
    // An item of a list value (an AppInit DLL) is switched, not edited or
    // deleted: either would change the whole list.
    ListItemNotEditable = 200,
    // The history of changes: its button, its window, the kinds of change
    // and what an undo says.
    HistoryBtnCaption = 201,
    HistoryBtnHint = 202,
    HistoryWindowCaption = 203,
    HistoryUndoCaption = 204,
    HistoryCloseCaption = 205,
    HistoryTimeColumn = 206,
    HistoryKindColumn = 207,
    HistoryCaptionColumn = 208,
    HistoryPlaceColumn = 209,
    HistoryKindDeactivate = 210,
    HistoryKindReactivate = 211,
    HistoryKindRePark = 212,
    HistoryKindEdit = 213,
    HistoryKindDelete = 214,
    HistoryKindTextSaved = 215,
    HistoryKindKnownAdd = 216,
    HistoryKindKnownRemove = 217,
    HistoryKindProcessEnded = 218,
    HistoryKindUndo = 219,
    HistoryUndoneMark = 220,
    HistoryChangedSince = 221,
    HistoryCopyMissing = 222,
    HistoryCannotUndo = 223,
    HistoryUndoFailed = 224,
    HistoryFileRefused = 225,
    HistoryLimits = 226,
    HistoryDropped = 227,
    HistoryAllEntries = 228,
    HistoryNotFound = 229,

    // Scheduled tasks, services and drivers: the start types in the Service
    // Control Manager's order, the trigger kinds, the scheduler ignoring a
    // switch, and why tasks and services are not edited or deleted here.
    StartTypeFirst = 230, // boot, system, automatic, on demand, disabled
    TriggerFirst = 235,   // logon, system start, schedule, other
    TaskSwitchIgnored = 239,
    SystemEntryNotEditable = 240,

    // Who signed a file: one line per verdict, the publisher as "%s".
    SignatureSigned = 241,
    SignatureCatalog = 242,
    SignatureNotSigned = 243,
    SignatureBroken = 244,
    SignatureNotTrusted = 245,
    SignatureNotCheckable = 246,

    // The autostart page: the publisher column, the switch that hides the
    // entries Windows itself signed, and the caption while it hides some
    // (rows shown, rows hidden).
    ASPublisherColumn = 247,
    ASHideWindowsChk = 248,
    ASListBoxCaptionHiding = 249,

    // Process information dialog: the caption of the signature row.
    InfoSignatureRow = 250,

    // The known and unknown marks of the autostart list, as words.
    KnownMarkName = 251,
    UnknownMarkName = 252,

    // Deactivated entries kept away when their programs write them back:
    // the switch on the autostart page, the guard's notice (how often the
    // entry came back, the entry), its note that both versions are kept, and
    // the question at start-up.
    StickyStopBtnCaption = 253,
    StickyStopBtnHint = 254,
    StickyReParked = 255,
    StickyBothKept = 256,
    StickyReturnedQuestion = 257,

    // The highest line the program reads.
    Last = 257,
};

// The line's number in the file, for the table and for tests that check a
// line by its place.
constexpr int LineNumber(Lng line) {
    return static_cast<int>(line);
}

// The line at a number: only where a number stands for its line, as when
// a whole table is walked.
constexpr Lng LineAt(int number) {
    return static_cast<Lng>(number);
}

// The caption of tab n (0, 1, 2) of the main window.
constexpr Lng TabCaption(int tab) {
    return static_cast<Lng>(LineNumber(Lng::TabCaptionFirst) + tab);
}

} // namespace qv
