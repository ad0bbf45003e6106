#!/usr/bin/env python3
"""Writes the German language file app/qv6.lng.

Line n of the file is entry n of the language table; there is no header and
no comment syntax, so the texts live here, one list element per line.  The
file is written in Windows-1252 with CR LF after every line, the last one
included.

Run from anywhere:  python3 scripts/make_lng.py
"""

import os
import sys

LINE_COUNT = 258

# Format lines and the number of "%s" placeholders each one carries, in the
# order in which the program passes its arguments.  Every other line must be
# free of "%" altogether.
PLACEHOLDERS = {
    11: 3,  # value data, value name, key path
    12: 3,  # value data, value name, key path
    13: 4,  # key name, section, ini file, value
    14: 4,  # key name, section, ini file, value
    15: 1,  # file
    16: 1,  # file
    21: 1,  # number of processes
    22: 1,  # number of surveillance entries
    25: 1,  # number of rows in the autostart list
    63: 1,  # path of the file in the text editor
    179: 1,  # the system's error number
    181: 1,  # the most redirects followed
    220: 1,  # HistoryUndoneMark
    221: 1,  # HistoryChangedSince
    222: 1,  # HistoryCopyMissing
    223: 1,  # HistoryCannotUndo
    224: 1,  # HistoryUndoFailed
    225: 1,  # HistoryFileRefused
    227: 3,  # HistoryDropped
    239: 1,  # task path
    241: 1,  # publisher of an embedded signature
    242: 1,  # publisher of a catalog signature
    249: 2,  # rows shown, rows hidden
    255: 2,  # how often the entry came back, the entry
}

TEXTS = [
    # 0-8: names of the nine autostart groups (combo box items, report chapters)
    "Registry: Run-Schlüssel",                                   # 0
    "Shell-Open-Befehle (EXE, COM, BAT, HTA, PIF)",              # 1
    "Active Setup: StubPath-Einträge",                           # 2
    "Statische VxD-Treiber",                                     # 3
    "ICQ-Agent: Anwendungen",                                    # 4
    "Autostart-Ordner",                                          # 5
    "WIN.INI und SYSTEM.INI",                                    # 6
    "Boot- und Batchdateien",                                    # 7
    "Explorer im Stammverzeichnis von C:",                       # 8
    # 9: list caption of a stray c:\explorer.exe
    "C:\\EXPLORER.EXE (gehört nicht ins Stammverzeichnis)",      # 9
    # 10: question before ending the ticked processes
    "Sollen alle markierten Prozesse wirklich beendet werden?",  # 10
    # 11-17: deleting entries at their source
    "Soll der Befehl \"%s\" (Wert \"%s\" im Schlüssel \"%s\") "
    "wirklich aus der Registry gelöscht werden?",                # 11
    "Der Befehl \"%s\" (Wert \"%s\" im Schlüssel \"%s\") konnte "
    "nicht aus der Registry gelöscht werden.",                   # 12
    "Soll der Eintrag \"%s\" im Abschnitt [%s] der Datei \"%s\" "
    "(Wert: \"%s\") wirklich gelöscht werden?",                  # 13
    "Der Eintrag \"%s\" im Abschnitt [%s] der Datei \"%s\" "
    "(Wert: \"%s\") konnte nicht gelöscht werden.",              # 14
    "Soll die Datei \"%s\" wirklich gelöscht werden?",           # 15
    "Die Datei \"%s\" konnte nicht gelöscht werden.",            # 16
    "Möglicherweise wird sie gerade verwendet, oder Ihnen "
    "fehlen die nötigen Rechte.",                                # 17
    # 18-20: not shown by the program; kept so the numbering stays right
    "(Zeile 18 reserviert)",                                     # 18
    "(Zeile 19 reserviert: Eintragsart wird nicht verwendet)",   # 19
    "(Zeile 20 reserviert: Eintragsart wird nicht verwendet)",   # 20
    # 21-24: process page
    "Prozesse (Anzahl: %s)",                                     # 21
    "Überwachung (Einträge: %s)",                                # 22
    "Prozesse werden beendet, bitte warten...",                  # 23
    "Folgende Prozesse konnten nicht beendet werden:",           # 24
    # 25: caption of the autostart list box
    "Inhalt (Einträge: %s)",                                     # 25
    # 26: deactivating or reactivating failed
    "Der Eintrag konnte nicht deaktiviert bzw. wieder aktiviert "
    "werden. Möglicherweise fehlen Ihnen die nötigen Rechte oder "
    "die Quelle wurde inzwischen verändert.",                    # 26
    # 27-29: warning before deleting or editing a system-relevant entry
    "Achtung: Dieser Eintrag ist für den Start von Windows wichtig!",  # 27
    "Wenn Sie ihn falsch ändern oder löschen, startet Windows unter "
    "Umständen nicht mehr richtig.",                             # 28
    "Fahren Sie nur fort, wenn Sie genau wissen, was Sie tun.",  # 29
    # 30: shell open commands cannot be deactivated
    "Die Shell-Open-Befehle der ausführbaren Dateitypen können nicht "
    "deaktiviert werden, sonst ließen sich keine Programme mehr starten. "
    "Ändern Sie den Befehl bei Bedarf mit \"Ändern\".",          # 30
    # 31-47: rows of the process information dialog
    "Verzeichnis:",                                              # 31
    "Dateiname:",                                                # 32
    "Größe:",                                                    # 33
    "Geändert am:",                                              # 34
    "Sprache:",                                                  # 35
    "Keine Versionsinformationen vorhanden",                     # 36
    "gesetzt",                                                   # 37
    "Archiv:",                                                   # 38
    "Versteckt:",                                                # 39
    "Schreibgeschützt:",                                         # 40
    "System:",                                                   # 41
    "Verwendungszähler:",                                        # 42
    "Prozess-ID:",                                               # 43
    "Übergeordnete Prozess-ID:",                                 # 44
    "Modul-ID:",                                                 # 45
    # 46 doubles as the thread-count row of the process dialog and as the
    # second question before the system.ini shell line holding explorer.exe
    # is deleted.  The question is the one that protects the user, so it wins.
    "Achtung: Diese Zeile startet die Windows-Oberfläche "
    "(explorer.exe). Ohne sie erscheint nach dem Neustart kein Desktop. "
    "Trotzdem löschen?",                                         # 46
    "Basispriorität:",                                           # 47
    # 48-53: not read by the program
    "Anzahl Threads:",                                           # 48
    "(Zeile 49 reserviert)",                                     # 49
    "(Zeile 50 reserviert)",                                     # 50
    "(Zeile 51 reserviert)",                                     # 51
    "(Zeile 52 reserviert)",                                     # 52
    "(Zeile 53 reserviert)",                                     # 53
    # 54-57: system information rows
    "Speicherauslastung",                                        # 54
    "Physischer Speicher",                                       # 55
    "Davon verfügbar",                                           # 56
    "Virtueller Speicher",                                       # 57
    # 58: report copy saved
    "Der Report wurde gespeichert.",                             # 58
    "(Zeile 59 reserviert)",                                     # 59
    "(Zeile 60 reserviert)",                                     # 60
    # 61: report cell for an empty boot file
    "(Die Datei ist leer.)",                                     # 61
    # 62, 63: text file editor
    "Der Text wurde geändert. Sollen die Änderungen gespeichert "
    "werden?",                                                   # 62
    "Textdatei editieren - %s",                                  # 63
    # 64-71: report table headers and table of contents
    "Hauptschlüssel",                                            # 64
    "Schlüssel",                                                 # 65
    "Name",                                                      # 66
    "Inhalt",                                                    # 67
    "Pfad",                                                      # 68
    "Datei",                                                     # 69
    "Ziel / Details",                                            # 70
    "Inhaltsverzeichnis",                                        # 71
    # 72-75: guard label and guard messages
    "Wächter ist aktiv",                                         # 72
    "Wächter ist nicht aktiv",                                   # 73
    "Der Quorvik Wächter läuft, konnte aber nicht zum Beenden "
    "aufgefordert werden, weil sein Fenster nicht gefunden wurde.",  # 74
    "Der Quorvik Wächter konnte nicht gestartet werden. Bitte prüfen "
    "Sie, ob die Datei qvguard.exe im Programmverzeichnis liegt.",   # 75
    "(Zeile 76 reserviert)",                                     # 76
    # 77-121: captions and hints of the main window
    "Quorvik Wächter",                                           # 77
    "Den Quorvik Wächter starten oder beenden",                  # 78
    "Handbuch anzeigen (F1)",                                    # 79
    "Das Handbuch im Browser öffnen",                            # 80
    "Aktualisieren",                                             # 81
    "Alle Startpunkte neu einlesen",                             # 82
    "Autostart",                                                 # 83
    "Prozesse",                                                  # 84
    "Systeminfo",                                                # 85
    "Startpunkte",                                               # 86
    "Inhalt",                                                    # 87
    "Schreibschutz",                                             # 88
    "Schützt die Einträge vor versehentlichem Ändern und "
    "Löschen",                                                   # 89
    "Ändern",                                                    # 90
    "Name und Wert des gewählten Eintrags ändern",               # 91
    "Editor",                                                    # 92
    "Die Datei des gewählten Eintrags im Texteditor öffnen",     # 93
    "Löschen",                                                   # 94
    "Den gewählten Eintrag an seiner Quelle löschen",            # 95
    "In Datenbank",                                              # 96
    "Einträge als bekannt in die Datenbank aufnehmen",           # 97
    "Aus Datenbank",                                             # 98
    "Einträge aus der Datenbank der bekannten Einträge "
    "entfernen",                                                 # 99
    "&Alle",                                                     # 100
    "Ausge&wählt",                                               # 101
    "Report",                                                    # 102
    "Einen HTML-Report aller Autostart-Einträge erstellen",      # 103
    "Überwachung",                                               # 104
    "Aktualisieren",                                             # 105
    "Die Liste der laufenden Prozesse neu einlesen",             # 106
    "Prozesse beenden",                                          # 107
    "Alle markierten Prozesse beenden",                          # 108
    "Prozessinfo",                                               # 109
    "Informationen zum gewählten Prozess anzeigen",              # 110
    "Überwachung",                                               # 111
    "Die Überwachungsliste ein- oder ausblenden",                # 112
    "Hinzufügen",                                                # 113
    "Dateien zur Überwachungsliste hinzufügen",                  # 114
    "Entfernen",                                                 # 115
    "Markierte Einträge aus der Überwachungsliste entfernen",    # 116
    "Alle wählen",                                               # 117
    "Alle Einträge der Überwachungsliste markieren",             # 118
    "Quorvik 6 darf unverändert und kostenlos weitergegeben "
    "werden. Eine Weitergabe gegen Entgelt ist nur mit Erlaubnis "
    "des Autors gestattet.",                                     # 119
    "Update verfügbar ?",                                        # 120
    "Im Internet nach einer neuen Version suchen",               # 121
    # 122-128: text file editor window
    "Textdatei editieren",                                       # 122
    "Schreibschutz",                                             # 123
    "Schreibschutz aufheben, um den Text zu bearbeiten",         # 124
    "Speichern",                                                 # 125
    "Den Text in die Datei schreiben",                           # 126
    "Schließen",                                                 # 127
    "Den Editor schließen",                                      # 128
    # 129-132: report window
    "Speichern",                                                 # 129
    "Eine Kopie des Reports speichern",                          # 130
    "Schließen",                                                 # 131
    "Den Report schließen",                                      # 132
    # 133-136: process information dialog
    "Prozessinfo",                                               # 133
    "Eigenschaften der Datei",                                   # 134
    "Eigenschaften des Prozesses",                               # 135
    "Schließen",                                                 # 136
    "(Zeile 137 reserviert)",                                    # 137
    # 138-142: entry edit dialog
    "Eintrag ändern",                                            # 138
    "Schlüssel",                                                 # 139
    "Wert",                                                      # 140
    "Änderungen speichern",                                      # 141
    "Abbrechen",                                                 # 142
]

# 143-164: not read by the program
TEXTS += ["(Zeile %d reserviert)" % n for n in range(143, 165)]

TEXTS += [
    # 165-170: update check
    "Bitte warten Sie einen Moment...",                          # 165
    "Die Suche nach Updates ist im Moment nicht möglich. Bitte "
    "versuchen Sie es später noch einmal.",                      # 166
    "Sie verwenden bereits die aktuelle Version von Quorvik 6.",  # 167
    "Eine neue Version von Quorvik 6 ist verfügbar. Soll sie jetzt "
    "installiert werden? Quorvik 6 wird dazu beendet.",          # 168
    "(Zeile 169 reserviert)",                                    # 169
    "Der Quorvik Wächter wird für das Update beendet. Starten Sie "
    "ihn danach bei Bedarf wieder.",                             # 170
    # 171: second question before ending a process Windows cannot run without
    "Unter den markierten Prozessen ist mindestens ein Prozess, den Windows "
    "selbst zum Weiterlaufen braucht. Soll er trotzdem beendet werden? "
    "Windows kann dabei sofort abstürzen.",                      # 171
    # 172-184: what the user is told when the update check's network fails
    "Die Netzwerkfunktionen von Windows lassen sich nicht starten.", # 172
    "Der Update-Server wurde nicht gefunden.",                # 173
    "Die Suche nach dem Update-Server hat zu lange gedauert.", # 174
    "Der Update-Server antwortet nicht.",                     # 175
    "Der Update-Server nimmt keine Verbindung an.",           # 176
    "Die Verbindung zum Update-Server wurde abgebrochen.",    # 177
    "Die Übertragung vom Update-Server wurde abgebrochen, bevor sie vollständig war.", # 178
    "Netzwerkfehler %s bei der Verbindung zum Update-Server.", # 179
    "Die Antwort des Update-Servers ist zu lang.",            # 180
    "Der Update-Server leitet zu oft weiter (mehr als %s Mal).", # 181
    "Es besteht schon eine Verbindung zum Update-Server.",    # 182
    "Die Adresse des Update-Servers ist ungültig.",           # 183
    "Die Adresse des Update-Servers verlangt HTTPS; die Suche nach Updates spricht nur HTTP.", # 184
    # 185-193: names of the autostart groups 9 to 17
    "Geplante Aufgaben",                                         # 185
    "Dienste",                                                   # 186
    "Treiber",                                                   # 187
    "Winlogon",                                                  # 188
    "Image-Hijacks",                                             # 189
    "AppInit-DLLs",                                              # 190
    "LSA-Pakete",                                                # 191
    "Druckmonitore",                                             # 192
    "Apps (Store)",                                              # 193
    # 194-197: why a group's rows cannot be changed
    "Winlogon-Einträge lassen sich hier nicht ändern: ein "
    "geleerter oder falscher Userinit-Wert sperrt jeden Benutzer "
    "bei der Anmeldung aus.",                                    # 194
    "LSA-Pakete lassen sich hier nicht ändern: fehlt eines der "
    "Pakete von Windows, ist keine Anmeldung mehr möglich.",     # 195
    "Treiber lassen sich hier nicht ändern: ein abgeschalteter "
    "Boot- oder Systemtreiber kann den Start von Windows "
    "verhindern.",                                               # 196
    "Die Einträge dieser Gruppe lassen sich in dieser Version nur "
    "ansehen, nicht ändern.",                                    # 197
    # 198: a change that needs administrator rights
    "Für diese Änderung braucht Quorvik Administratorrechte; es "
    "wurde nichts geändert. Soll Quorvik jetzt als Administrator "
    "neu gestartet werden?",                                     # 198
    # 199: the mark behind what Windows itself puts there
    "(Windows-Standard)",                                        # 199
    # 200: an item of a list value is switched, not edited
    "Dieser Eintrag ist ein Teil der Liste in einem Registry-Wert; "
    "er lässt sich hier nur aus- und wieder einschalten, nicht "
    "ändern oder löschen.",                                      # 200
    # 201-229: the history of changes
    "Verlauf",  # 201
    "Die Änderungen am Rechner ansehen und rückgängig machen",  # 202
    "Verlauf der Änderungen",  # 203
    "Rückgängig",  # 204
    "Schließen",  # 205
    "Zeit",  # 206
    "Art",  # 207
    "Eintrag",  # 208
    "Ort",  # 209
    "Deaktiviert",  # 210
    "Reaktiviert",  # 211
    "Erneut ferngehalten",  # 212
    "Geändert",  # 213
    "Gelöscht",  # 214
    "Textdatei gespeichert",  # 215
    "In die Datenbank aufgenommen",  # 216
    "Aus der Datenbank entfernt",  # 217
    "Prozess beendet",  # 218
    "Rückgängig gemacht",  # 219
    "%s (rückgängig gemacht)",  # 220
    "%s wurde seitdem wieder geändert und bleibt, wie es ist.",  # 221
    "Die Kopie von %s fehlt; die Änderung kann nicht rückgängig gemacht werden.",  # 222
    "%s kann nicht rückgängig gemacht werden.",  # 223
    "%s konnte nicht zurückgestellt werden.",  # 224
    "Die Datei %s ist beschädigt oder gehört nicht zu Quorvik; sie wird nicht überschrieben.",  # 225
    "Der Verlauf behält die letzten 1.000 Änderungen oder 100 MB Dateikopien.",  # 226
    "Verworfen: %s ältere Änderungen mit %s KB Dateikopien, bis %s.",  # 227
    "Alle Einträge",  # 228
    "Die Änderung steht nicht mehr im Verlauf.",  # 229
    # 230 to 234: the start types of services and drivers
    "Boot",                                                      # 230
    "System",                                                    # 231
    "Automatisch",                                               # 232
    "Manuell",                                                   # 233
    "Deaktiviert",                                               # 234
    # 235 to 238: what starts a scheduled task
    "Anmeldung",                                                 # 235
    "Systemstart",                                               # 236
    "Zeitplan",                                                  # 237
    "Andere",                                                    # 238
    # 239: the scheduler took the switch but kept the task as it was
    "Die Aufgabenplanung hat die Aufgabe %s nicht umgeschaltet: sie "
    "ist unverändert geblieben (unter Wine wirkt das Ein- und "
    "Ausschalten von Aufgaben nicht). Es wurde nichts vermerkt.",  # 239
    # 240: tasks and services are switched here, not edited
    "Geplante Aufgaben und Dienste lassen sich hier nur aus- und "
    "wieder einschalten; bearbeiten oder löschen Sie sie in der "
    "Aufgabenplanung bzw. der Diensteverwaltung.",               # 240
    # 241-246: who signed a file
    "Signiert von %s",                                           # 241
    "Über Katalog signiert von %s",                              # 242
    "Nicht signiert",                                            # 243
    "Signatur gebrochen (Datei verändert)",                      # 244
    "Nicht vertrauenswürdig (Stamm unbekannt oder abgelaufen)",  # 245
    "Nicht prüfbar (fehlt oder gesperrt)",                       # 246
    # 247-249: the autostart list's publisher column and the switch that
    # hides what Windows itself signed
    "Herausgeber",                                               # 247
    "Windows-Einträge ausblenden",                               # 248
    "Inhalt (Einträge: %s angezeigt, %s ausgeblendet)",          # 249
    # 250: the signature row of the process information dialog
    "Signatur:",                                                 # 250
    # 251, 252: what the mark before an autostart entry says, for those
    # who cannot see it
    "Bekannter Eintrag",                                          # 251
    "Unbekannter Eintrag",                                        # 252
    # 253-257: deactivated entries kept away when their programs write them back
    "Nicht mehr fernhalten",                                  # 253
    "Der gewählte deaktivierte Eintrag bleibt deaktiviert, wird aber nicht "
    "mehr erneut deaktiviert, wenn sein Programm ihn wieder anlegt", # 254
    "Erneut deaktiviert (%s. Rückkehr): %s",                  # 255
    "Die zurückgekehrte Fassung weicht von der aufbewahrten ab: beide sind aufbewahrt.", # 256
    "Diese deaktivierten Einträge wurden von ihren Programmen wieder angelegt. "
    "Sollen sie erneut deaktiviert werden?",                  # 257
]


def check(texts):
    assert len(texts) == LINE_COUNT, "expected %d lines, got %d" % (LINE_COUNT, len(texts))
    for n, text in enumerate(texts):
        assert text, "line %d is empty" % n
        assert "\r" not in text and "\n" not in text and "\0" not in text, \
            "line %d holds a line break or NUL" % n
        assert "|" not in text, "line %d holds '|', which splits hints" % n
        assert text == text.strip(), "line %d has outer blanks" % n
        text.encode("cp1252")  # raises on a character outside Windows-1252
        want = PLACEHOLDERS.get(n, 0)
        got = text.count("%s")
        assert got == want, "line %d: %d placeholders, expected %d" % (n, got, want)
        assert text.count("%") == got, "line %d holds a stray '%%'" % n


def write(texts, *path):
    """Checks the lines and writes them below the repository's root: cp1252,
    CR LF after every line."""
    check(texts)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = os.path.join(root, *path)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    data = b"".join(t.encode("cp1252") + b"\r\n" for t in texts)
    with open(target, "wb") as f:
        f.write(data)
    print("wrote %s: %d lines, %d bytes" % (target, len(texts), len(data)))
    return 0


def main():
    return write(TEXTS, "app", "qv6.lng")


if __name__ == "__main__":
    sys.exit(main())
