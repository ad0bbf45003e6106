#!/usr/bin/env python3
"""Writes the English language file lang/english.lng.

The same numbering as app/qv6.lng (scripts/make_lng.py), line for line, with
the same "%s" placeholders in each line; Windows-1252 with CR LF after every
line.  To run the program in English, copy the file over qv6.lng beside
qv6.exe.

Run from anywhere:  python3 scripts/make_lng_english.py
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_lng  # noqa: E402  the German file's rules: line count, placeholders

TEXTS = [
    # 0-8: names of the nine autostart groups
    "Registry: Run keys",                                         # 0
    "Shell open commands (EXE, COM, BAT, HTA, PIF)",              # 1
    "Active Setup: StubPath entries",                             # 2
    "Static VxD drivers",                                         # 3
    "ICQ agent: applications",                                    # 4
    "Startup folders",                                            # 5
    "WIN.INI and SYSTEM.INI",                                     # 6
    "Boot and batch files",                                       # 7
    "Explorer in the root folder of C:",                          # 8
    "C:\\EXPLORER.EXE (does not belong in the root folder)",      # 9
    "Do you really want to end all ticked processes?",            # 10
    "Do you really want to delete the command \"%s\" (value \"%s\" in "
    "key \"%s\") from the registry?",                             # 11
    "The command \"%s\" (value \"%s\" in key \"%s\") could not be "
    "deleted from the registry.",                                 # 12
    "Do you really want to delete the entry \"%s\" in section [%s] of "
    "file \"%s\" (value: \"%s\")?",                               # 13
    "The entry \"%s\" in section [%s] of file \"%s\" (value: \"%s\") "
    "could not be deleted.",                                      # 14
    "Do you really want to delete the file \"%s\"?",              # 15
    "The file \"%s\" could not be deleted.",                      # 16
    "It may be in use, or you may lack the necessary rights.",    # 17
    "(line 18 reserved)",                                         # 18
    "(line 19 reserved: entry kind not used)",                    # 19
    "(line 20 reserved: entry kind not used)",                    # 20
    "Processes (count: %s)",                                      # 21
    "Surveillance (entries: %s)",                                 # 22
    "Ending processes, please wait...",                           # 23
    "The following processes could not be ended:",               # 24
    "Contents (entries: %s)",                                     # 25
    "The entry could not be deactivated or reactivated. You may lack "
    "the necessary rights, or its source has changed meanwhile.",  # 26
    "Caution: this entry matters for starting Windows!",          # 27
    "If you change or delete it wrongly, Windows may no longer start "
    "properly.",                                                  # 28
    "Only go on if you know exactly what you are doing.",         # 29
    "The shell open commands of executable file types cannot be "
    "deactivated, or no program could be started any more. Change the "
    "command with \"Edit\" if need be.",                          # 30
    "Folder:",                                                    # 31
    "File name:",                                                 # 32
    "Size:",                                                      # 33
    "Modified:",                                                  # 34
    "Language:",                                                  # 35
    "No version information",                                     # 36
    "set",                                                        # 37
    "Archive:",                                                   # 38
    "Hidden:",                                                    # 39
    "Read-only:",                                                 # 40
    "System:",                                                    # 41
    "Usage count:",                                               # 42
    "Process ID:",                                                # 43
    "Parent process ID:",                                         # 44
    "Module ID:",                                                 # 45
    "Caution: this line starts the Windows shell (explorer.exe). "
    "Without it no desktop appears after the next start. Delete it "
    "anyway?",                                                    # 46
    "Base priority:",                                             # 47
    "Thread count:",                                              # 48
    "(line 49 reserved)",                                         # 49
    "(line 50 reserved)",                                         # 50
    "(line 51 reserved)",                                         # 51
    "(line 52 reserved)",                                         # 52
    "(line 53 reserved)",                                         # 53
    "Memory load",                                                # 54
    "Physical memory",                                            # 55
    "Of which available",                                         # 56
    "Virtual memory",                                             # 57
    "The report has been saved.",                                 # 58
    "(line 59 reserved)",                                         # 59
    "(line 60 reserved)",                                         # 60
    "(The file is empty.)",                                       # 61
    "The text has been changed. Do you want to save the changes?",  # 62
    "Edit text file - %s",                                        # 63
    "Root key",                                                   # 64
    "Key",                                                        # 65
    "Name",                                                       # 66
    "Contents",                                                   # 67
    "Path",                                                       # 68
    "File",                                                       # 69
    "Target / details",                                           # 70
    "Table of contents",                                          # 71
    "Guard is active",                                            # 72
    "Guard is not active",                                        # 73
    "The Quorvik Guard is running but could not be asked to end, "
    "because its window was not found.",                          # 74
    "The Quorvik Guard could not be started. Please check that the "
    "file qvguard.exe is in the program folder.",                 # 75
    "(line 76 reserved)",                                         # 76
    "Quorvik Guard",                                              # 77
    "Start or stop the Quorvik Guard",                            # 78
    "Show manual (F1)",                                           # 79
    "Open the manual in the browser",                             # 80
    "Refresh",                                                    # 81
    "Read all startup points again",                              # 82
    "Autostart",                                                  # 83
    "Processes",                                                  # 84
    "System info",                                                # 85
    "Startup points",                                             # 86
    "Contents",                                                   # 87
    "Write protection",                                           # 88
    "Protects the entries against being changed or deleted by "
    "mistake",                                                    # 89
    "Edit",                                                       # 90
    "Change the name and value of the selected entry",            # 91
    "Editor",                                                     # 92
    "Open the file of the selected entry in the text editor",     # 93
    "Delete",                                                     # 94
    "Delete the selected entry at its source",                    # 95
    "To database",                                                # 96
    "Accept entries as known into the database",                  # 97
    "From database",                                              # 98
    "Remove entries from the database of known entries",          # 99
    "&All",                                                       # 100
    "&Selected",                                                  # 101
    "Report",                                                     # 102
    "Create an HTML report of all autostart entries",             # 103
    "Surveillance",                                               # 104
    "Refresh",                                                    # 105
    "Read the list of running processes again",                   # 106
    "End processes",                                              # 107
    "End all ticked processes",                                   # 108
    "Process info",                                               # 109
    "Show information on the selected process",                   # 110
    "Surveillance",                                               # 111
    "Show or hide the surveillance list",                         # 112
    "Add",                                                        # 113
    "Add files to the surveillance list",                         # 114
    "Remove",                                                     # 115
    "Remove the ticked entries from the surveillance list",       # 116
    "Select all",                                                 # 117
    "Tick all entries of the surveillance list",                  # 118
    "Quorvik 6 may be passed on unchanged and free of charge. Passing "
    "it on for a fee needs the author's permission.",             # 119
    "Update available ?",                                         # 120
    "Look for a new version on the Internet",                     # 121
    "Edit text file",                                             # 122
    "Write protection",                                           # 123
    "Lift write protection to edit the text",                     # 124
    "Save",                                                       # 125
    "Write the text to the file",                                 # 126
    "Close",                                                      # 127
    "Close the editor",                                           # 128
    "Save",                                                       # 129
    "Save a copy of the report",                                  # 130
    "Close",                                                      # 131
    "Close the report",                                           # 132
    "Process info",                                               # 133
    "Properties of the file",                                     # 134
    "Properties of the process",                                  # 135
    "Close",                                                      # 136
    "(line 137 reserved)",                                        # 137
    "Edit entry",                                                 # 138
    "Key",                                                        # 139
    "Value",                                                      # 140
    "Save changes",                                               # 141
    "Cancel",                                                     # 142
]

TEXTS += ["(line %d reserved)" % n for n in range(143, 165)]

TEXTS += [
    "Please wait a moment...",                                    # 165
    "Looking for updates is not possible at the moment. Please try "
    "again later.",                                               # 166
    "You are already using the current version of Quorvik 6.",    # 167
    "A new version of Quorvik 6 is available. Install it now? "
    "Quorvik 6 will be closed for it.",                           # 168
    "(line 169 reserved)",                                        # 169
    "The Quorvik Guard is being stopped for the update. Start it again "
    "afterwards if you need it.",                                 # 170
    "Among the ticked processes is at least one that Windows itself "
    "needs to keep running. End it anyway? Windows may crash at "
    "once.",                                                      # 171
    # 172-184: what the user is told when the update check's network fails
    "Windows networking cannot be started.",                  # 172
    "The update server was not found.",                       # 173
    "Looking up the update server took too long.",            # 174
    "The update server does not answer.",                     # 175
    "The update server refuses the connection.",              # 176
    "The connection to the update server was cancelled.",     # 177
    "The transfer from the update server was cancelled before it was complete.", # 178
    "Network error %s while talking to the update server.",   # 179
    "The update server's answer is too long.",                # 180
    "The update server redirects too often (more than %s times).", # 181
    "A connection to the update server is already open.",     # 182
    "The update server's address is invalid.",                # 183
    "The update server's address asks for HTTPS; the update check speaks HTTP only.", # 184
    "Scheduled tasks",                                            # 185
    "Services",                                                   # 186
    "Drivers",                                                    # 187
    "Winlogon",                                                   # 188
    "Image hijacks",                                              # 189
    "AppInit DLLs",                                               # 190
    "LSA packages",                                               # 191
    "Print monitors",                                             # 192
    "Apps (Store)",                                               # 193
    "Winlogon entries cannot be changed here: an emptied or wrong "
    "Userinit value locks every user out at logon.",              # 194
    "LSA packages cannot be changed here: without one of Windows' "
    "own packages nobody can log on any more.",                   # 195
    "Drivers cannot be changed here: a boot or system driver that "
    "is switched off can keep Windows from starting.",            # 196
    "The entries of this group can only be viewed in this "
    "version, not changed.",                                      # 197
    "Quorvik needs administrator rights for this change; nothing "
    "was changed. Start Quorvik again as administrator now?",     # 198
    "(Windows default)",                                          # 199
    "This entry is one item of the list in a registry value; it "
    "can only be switched off and on here, not changed or "
    "deleted.",                                                   # 200
    "History",  # 201
    "See the changes made to the machine and undo them",  # 202
    "History of changes",  # 203
    "Undo",  # 204
    "Close",  # 205
    "Time",  # 206
    "Kind",  # 207
    "Entry",  # 208
    "Place",  # 209
    "Deactivated",  # 210
    "Reactivated",  # 211
    "Kept away again",  # 212
    "Edited",  # 213
    "Deleted",  # 214
    "Text file saved",  # 215
    "Added to the database",  # 216
    "Removed from the database",  # 217
    "Process ended",  # 218
    "Undone",  # 219
    "%s (undone)",  # 220
    "%s was changed again since and stays as it is.",  # 221
    "The copy of %s is missing; the change cannot be undone.",  # 222
    "%s cannot be undone.",  # 223
    "%s could not be put back.",  # 224
    "The file %s is damaged or not Quorvik's; it is not written over.",  # 225
    "The history keeps the last 1,000 changes or 100 MB of file copies.",  # 226
    "Dropped: %s older changes with %s KB of file copies, up to %s.",  # 227
    "All entries",  # 228
    "The change is no longer in the history.",  # 229
    "Boot",                                                       # 230
    "System",                                                     # 231
    "Automatic",                                                  # 232
    "Manual",                                                     # 233
    "Disabled",                                                   # 234
    "Logon",                                                      # 235
    "System start",                                               # 236
    "Schedule",                                                   # 237
    "Other",                                                      # 238
    "The Task Scheduler did not switch the task %s: it stayed as "
    "it was (under Wine, switching tasks on and off has no effect). "
    "Nothing was recorded.",                                      # 239
    "Scheduled tasks and services can only be switched off and on "
    "here; edit or delete them in the Task Scheduler or the "
    "Services console.",                                          # 240
    "Signed by %s",                                               # 241
    "Signed through a catalog by %s",                             # 242
    "Not signed",                                                 # 243
    "Signature broken (file does not match)",                     # 244
    "Not trusted (unknown root or expired)",                      # 245
    "Not checkable (missing or locked)",                          # 246
    "Publisher",                                                  # 247
    "Hide Windows entries",                                       # 248
    "Contents (entries: %s shown, %s hidden)",                    # 249
    "Signature:",                                                 # 250
    "Known entry",                                                # 251
    "Unknown entry",                                              # 252
    "Keep away no more",                                      # 253
    "The selected deactivated entry stays deactivated, but is no longer "
    "deactivated again when its program writes it back",     # 254
    "Deactivated again (return %s): %s",                      # 255
    "The version that came back differs from the one kept: both are kept.", # 256
    "These deactivated entries were written back by their programs. "
    "Deactivate them again?",                                 # 257
]


def main():
    return make_lng.write(TEXTS, "lang", "english.lng")


if __name__ == "__main__":
    sys.exit(main())
