<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CCalcDoc</name>
    <message>
        <source>Cannot open the file for reading</source>
        <translation>Die Datei kann nicht zum Lesen geöffnet werden</translation>
    </message>
    <message>
        <source>Cannot read the file</source>
        <translation>Die Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot open the file for writing</source>
        <translation>Die Datei kann nicht zum Schreiben geöffnet werden</translation>
    </message>
    <message>
        <source>You are about to erase all the memory.
Are you sure?</source>
        <translation>Sie sind dabei, den ganzen Speicher zu löschen.
Sind Sie sicher?</translation>
    </message>
    <message>
        <source>Cannot read the file: not a regular file</source>
        <translation>Die Datei kann nicht gelesen werden: keine reguläre Datei</translation>
    </message>
    <message>
        <source>Cannot read the file: larger than 256 MiB</source>
        <translation>Die Datei kann nicht gelesen werden: größer als 256 MiB</translation>
    </message>
    <message>
        <source>%1 did not load whole: saving over it loses the line it did not load.
Save the memory over it?</source>
        <translation>%1 wurde nicht vollständig geladen: Das Speichern darüber verliert die Zeile, die nicht geladen wurde.
Den Speicher trotzdem darüber speichern?</translation>
    </message>
    <message>
        <source>%1 did not load whole: saving over it loses the %2 lines it did not load.
Save the memory over it?</source>
        <translation>%1 wurde nicht vollständig geladen: Das Speichern darüber verliert die %2 Zeilen, die nicht geladen wurden.
Den Speicher trotzdem darüber speichern?</translation>
    </message>
</context>
<context>
    <name>CCalcKeyPad</name>
    <message>
        <source>Clear: deletes the whole text.</source>
        <translation>Clear: löscht den ganzen Text.</translation>
    </message>
    <message>
        <source>Backspace: deletes the selection, or the character before the caret.</source>
        <translation>Rücktaste: löscht die Auswahl oder das Zeichen vor der Schreibmarke.</translation>
    </message>
    <message>
        <source>Calculate: calculates the calculation that holds the caret (Ctrl+=).</source>
        <translation>Berechnen: berechnet die Rechnung, in der die Schreibmarke steht (Ctrl+=).</translation>
    </message>
    <message>
        <source>Calculate all: calculates every calculation of the text (Ctrl+Shift+=).</source>
        <translation>Alles berechnen: berechnet jede Rechnung des Textes (Ctrl+Shift+=).</translation>
    </message>
    <message>
        <source>Free: erases all memory cells.</source>
        <translation>Free: löscht alle Speicherzellen.</translation>
    </message>
    <message>
        <source>a line break</source>
        <translation>einen Zeilenumbruch</translation>
    </message>
    <message>
        <source>%1: types “%2” at the caret.</source>
        <translation>%1: schreibt „%2“ an der Schreibmarke.</translation>
    </message>
    <message>
        <source>Failed to load font</source>
        <translation>Die Schrift konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>Keypad Font</source>
        <translation>Schrift des Tastenfelds</translation>
    </message>
    <message>
        <source>Keypad Text Color</source>
        <translation>Textfarbe des Tastenfelds</translation>
    </message>
    <message>
        <source>Keypad Color</source>
        <translation>Farbe des Tastenfelds</translation>
    </message>
</context>
<context>
    <name>CCalcLog</name>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Context</source>
        <translation>Kontext</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Log messages</source>
        <translation>Meldungen des Protokolls</translation>
    </message>
</context>
<context>
    <name>CCalcMainFrame</name>
    <message>
        <source>Rad</source>
        <translation>Rad</translation>
    </message>
    <message>
        <source>Deg</source>
        <translation>Grad</translation>
    </message>
    <message>
        <source>Grad</source>
        <translation>Gon</translation>
    </message>
    <message>
        <source>Calculator calculation files (*.vcl)|*.vcl|Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||</source>
        <translation>Calculator-Berechnungsdateien (*.vcl)|*.vcl|Calculator-Speicherdateien (*.vcm)|*.vcm|Alle Dateien (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Calculator memory files (*.vcm)|*.vcm||</source>
        <translation>Calculator-Speicherdateien (*.vcm)|*.vcm||</translation>
    </message>
    <message>
        <source>Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||</source>
        <translation>Calculator-Speicherdateien (*.vcm)|*.vcm|Alle Dateien (*.*)|*.*||</translation>
    </message>
    <message>
        <source>&amp;New	Ctrl+N</source>
        <translation>&amp;Neu	Ctrl+N</translation>
    </message>
    <message>
        <source>Create a new document
New</source>
        <translation>Ein neues Dokument erstellen
Neu</translation>
    </message>
    <message>
        <source>&amp;Open...	Ctrl+O</source>
        <translation>Ö&amp;ffnen...	Ctrl+O</translation>
    </message>
    <message>
        <source>Open an existing document
Open</source>
        <translation>Ein vorhandenes Dokument öffnen
Öffnen</translation>
    </message>
    <message>
        <source>&amp;Save	Ctrl+S</source>
        <translation>&amp;Speichern	Ctrl+S</translation>
    </message>
    <message>
        <source>Save the active document
Save</source>
        <translation>Das aktive Dokument speichern
Speichern</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>Save the active document with a new name
Save As</source>
        <translation>Das aktive Dokument unter einem neuen Namen speichern
Speichern unter</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Quit the application; prompts to save documents
Exit</source>
        <translation>Die Anwendung beenden; fragt, ob Dokumente gespeichert werden sollen
Beenden</translation>
    </message>
    <message>
        <source>&amp;Execute...	Ctrl+E</source>
        <translation>&amp;Ausführen...	Ctrl+E</translation>
    </message>
    <message>
        <source>Execute file
Execute Ctrl+E</source>
        <translation>Datei ausführen
Ausführen Ctrl+E</translation>
    </message>
    <message>
        <source>&amp;Free</source>
        <translation>&amp;Freigeben</translation>
    </message>
    <message>
        <source>Free memory
Free</source>
        <translation>Speicher freigeben
Freigeben</translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation>&amp;Laden...</translation>
    </message>
    <message>
        <source>Load memory from file
Load memory</source>
        <translation>Speicher aus einer Datei laden
Speicher laden</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>&amp;Speichern...</translation>
    </message>
    <message>
        <source>Save memory as file
Save memory</source>
        <translation>Speicher als Datei speichern
Speicher speichern</translation>
    </message>
    <message>
        <source>&amp;Undo	Ctrl+Z</source>
        <translation>&amp;Rückgängig	Ctrl+Z</translation>
    </message>
    <message>
        <source>Undo the last action
Undo</source>
        <translation>Die letzte Aktion rückgängig machen
Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo	Ctrl+Shift+Z</source>
        <translation>&amp;Wiederholen	Ctrl+Shift+Z</translation>
    </message>
    <message>
        <source>Redo the previously undone action
Redo</source>
        <translation>Die zuletzt rückgängig gemachte Aktion wiederholen
Wiederholen</translation>
    </message>
    <message>
        <source>Cu&amp;t	Ctrl+X</source>
        <translation>&amp;Ausschneiden	Ctrl+X</translation>
    </message>
    <message>
        <source>Cut the selection and put it on the Clipboard
Cut</source>
        <translation>Die Auswahl ausschneiden und in die Zwischenablage legen
Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy	Ctrl+C</source>
        <translation>&amp;Kopieren	Ctrl+C</translation>
    </message>
    <message>
        <source>Copy the selection and put it on the Clipboard
Copy</source>
        <translation>Die Auswahl kopieren und in die Zwischenablage legen
Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste	Ctrl+V</source>
        <translation>&amp;Einfügen	Ctrl+V</translation>
    </message>
    <message>
        <source>Insert Clipboard contents
Paste</source>
        <translation>Den Inhalt der Zwischenablage einfügen
Einfügen</translation>
    </message>
    <message>
        <source>Calculate all</source>
        <translation>Alles berechnen</translation>
    </message>
    <message>
        <source>Callculate all
Calculate all Ctrl+Shift+=</source>
        <translation>Alles berechnen
Alles berechnen Ctrl+Shift+=</translation>
    </message>
    <message>
        <source>&amp;Toolbar</source>
        <translation>&amp;Werkzeugleiste</translation>
    </message>
    <message>
        <source>Show or hide the toolbar
Toggle ToolBar</source>
        <translation>Die Werkzeugleiste ein- oder ausblenden
Werkzeugleiste ein/aus</translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation>&amp;Statusleiste</translation>
    </message>
    <message>
        <source>Show or hide the status bar
Toggle StatusBar</source>
        <translation>Die Statusleiste ein- oder ausblenden
Statusleiste ein/aus</translation>
    </message>
    <message>
        <source>F&amp;ull Screen	F11</source>
        <translation>&amp;Vollbild	F11</translation>
    </message>
    <message>
        <source>Show the window on the whole screen or restore it
Full Screen</source>
        <translation>Das Fenster bildschirmfüllend zeigen oder wiederherstellen
Vollbild</translation>
    </message>
    <message>
        <source>&amp;Keypad	Ctrl+K</source>
        <translation>&amp;Tastenfeld	Ctrl+K</translation>
    </message>
    <message>
        <source>Show or hide keypad
Toggle keypad Ctrl+K</source>
        <translation>Das Tastenfeld ein- oder ausblenden
Tastenfeld ein/aus Ctrl+K</translation>
    </message>
    <message>
        <source>&amp;Log	Ctrl+L</source>
        <translation>&amp;Protokoll	Ctrl+L</translation>
    </message>
    <message>
        <source>Show or hide log
Toggle log Ctrl+L</source>
        <translation>Das Protokoll ein- oder ausblenden
Protokoll ein/aus Ctrl+L</translation>
    </message>
    <message>
        <source>&amp;Memory	Ctrl+M</source>
        <translation>Spei&amp;cher	Ctrl+M</translation>
    </message>
    <message>
        <source>Show or hide memory
Toggle memory Ctrl+M</source>
        <translation>Den Speicher ein- oder ausblenden
Speicher ein/aus Ctrl+M</translation>
    </message>
    <message>
        <source>St&amp;atistics	Ctrl+T</source>
        <translation>St&amp;atistik	Ctrl+T</translation>
    </message>
    <message>
        <source>Show or hide statistics
Toggle statistics</source>
        <translation>Die Statistik ein- oder ausblenden
Statistik ein/aus</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>&amp;Optionen...</translation>
    </message>
    <message>
        <source>Set preferences
Preferences</source>
        <translation>Optionen einstellen
Optionen</translation>
    </message>
    <message>
        <source>Trigonometric units</source>
        <translation>Winkeleinheit</translation>
    </message>
    <message>
        <source>Set units for trigonometric functions
Trigonometric units</source>
        <translation>Die Einheit der Winkelfunktionen einstellen
Winkeleinheit</translation>
    </message>
    <message>
        <source>&amp;East</source>
        <translation>&amp;Ost</translation>
    </message>
    <message>
        <source>Set East function notation
East notation</source>
        <translation>Östliche Schreibweise der Funktionen einstellen
Östliche Schreibweise</translation>
    </message>
    <message>
        <source>&amp;West</source>
        <translation>&amp;West</translation>
    </message>
    <message>
        <source>Set West function notation
West notation</source>
        <translation>Westliche Schreibweise der Funktionen einstellen
Westliche Schreibweise</translation>
    </message>
    <message>
        <source>&amp;Select...</source>
        <translation>&amp;Auswählen...</translation>
    </message>
    <message>
        <source>Select editor font
Select font</source>
        <translation>Die Schrift des Editors auswählen
Schrift auswählen</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>&amp;Standard</translation>
    </message>
    <message>
        <source>Set default editor font
Default font</source>
        <translation>Die Standardschrift für den Editor einstellen
Standardschrift</translation>
    </message>
    <message>
        <source>&amp;About Calculator...</source>
        <translation>&amp;Über Calculator...</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright
About</source>
        <translation>Programminformationen, Versionsnummer und Copyright anzeigen
Über</translation>
    </message>
    <message>
        <source>About Calculator Ka-Vm</source>
        <translation>Über Calculator Ka-Vm</translation>
    </message>
    <message>
        <source>Context help</source>
        <translation>Kontexthilfe</translation>
    </message>
    <message>
        <source>Display help for clicked on buttons, menus and windows
Help</source>
        <translation>Hilfe zu angeklickten Schaltflächen, Menüs und Fenstern anzeigen
Hilfe</translation>
    </message>
    <message>
        <source>Keypad</source>
        <translation>Tastenfeld</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>Speicher</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Open this document</source>
        <translation>Dieses Dokument öffnen</translation>
    </message>
    <message>
        <source>&amp;Memory</source>
        <translation>&amp;Speicher</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Set</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Notation</source>
        <translation>&amp;Schreibweise</translation>
    </message>
    <message>
        <source>&amp;Keypad</source>
        <translation>&amp;Tastenfeld</translation>
    </message>
    <message>
        <source>&amp;Style</source>
        <translation>&amp;Stil</translation>
    </message>
    <message>
        <source>&amp;XP</source>
        <translation>&amp;XP</translation>
    </message>
    <message>
        <source>Set XP keypad style
XP style</source>
        <translation>Den Tastenfeldstil XP einstellen
Stil XP</translation>
    </message>
    <message>
        <source>V&amp;ista</source>
        <translation>V&amp;ista</translation>
    </message>
    <message>
        <source>Set Vista keypad style
Vista style</source>
        <translation>Den Tastenfeldstil Vista einstellen
Stil Vista</translation>
    </message>
    <message>
        <source>&amp;Vantrel</source>
        <translation>&amp;Vantrel</translation>
    </message>
    <message>
        <source>Set Vantrel keypad style
Vantrel style</source>
        <translation>Den Tastenfeldstil Vantrel einstellen
Stil Vantrel</translation>
    </message>
    <message>
        <source>&amp;2000</source>
        <translation>&amp;2000</translation>
    </message>
    <message>
        <source>Set 2000 keypad style
2000 style</source>
        <translation>Den Tastenfeldstil 2000 einstellen
Stil 2000</translation>
    </message>
    <message>
        <source>&amp;Font</source>
        <translation>Sch&amp;rift</translation>
    </message>
    <message>
        <source>Select keypad font
Select font</source>
        <translation>Die Schrift des Tastenfelds auswählen
Schrift auswählen</translation>
    </message>
    <message>
        <source>S&amp;ystem</source>
        <translation>S&amp;ystem</translation>
    </message>
    <message>
        <source>Set system keypad font
System font</source>
        <translation>Die Systemschrift für das Tastenfeld einstellen
Systemschrift</translation>
    </message>
    <message>
        <source>Set default keypad font
Default font</source>
        <translation>Die Standardschrift für das Tastenfeld einstellen
Standardschrift</translation>
    </message>
    <message>
        <source>&amp;Text Color</source>
        <translation>&amp;Textfarbe</translation>
    </message>
    <message>
        <source>&amp;Function...</source>
        <translation>&amp;Funktionen...</translation>
    </message>
    <message>
        <source>Set function keypad text color
Function text color</source>
        <translation>Die Textfarbe der Funktionstasten einstellen
Textfarbe Funktionen</translation>
    </message>
    <message>
        <source>&amp;Digit...</source>
        <translation>&amp;Ziffern...</translation>
    </message>
    <message>
        <source>Set digit keypad text color
Digit text color</source>
        <translation>Die Textfarbe der Zifferntasten einstellen
Textfarbe Ziffern</translation>
    </message>
    <message>
        <source>&amp;Service...</source>
        <translation>&amp;Steuertasten...</translation>
    </message>
    <message>
        <source>Set service keypad text color
Service text color</source>
        <translation>Die Textfarbe der Steuertasten einstellen
Textfarbe Steuertasten</translation>
    </message>
    <message>
        <source>D&amp;efault</source>
        <translation>Stan&amp;dard</translation>
    </message>
    <message>
        <source>Set default keypad text color
Default text color</source>
        <translation>Die Standardtextfarbe für das Tastenfeld einstellen
Standardtextfarbe</translation>
    </message>
    <message>
        <source>Set system keypad text color
System text color</source>
        <translation>Die Systemtextfarbe für das Tastenfeld einstellen
Systemtextfarbe</translation>
    </message>
    <message>
        <source>&amp;Color</source>
        <translation>&amp;Farbe</translation>
    </message>
    <message>
        <source>Set function keypad color
Function color</source>
        <translation>Die Farbe der Funktionstasten einstellen
Farbe Funktionen</translation>
    </message>
    <message>
        <source>Set digit keypad color
Digit color</source>
        <translation>Die Farbe der Zifferntasten einstellen
Farbe Ziffern</translation>
    </message>
    <message>
        <source>Set service keypad color
Service color</source>
        <translation>Die Farbe der Steuertasten einstellen
Farbe Steuertasten</translation>
    </message>
    <message>
        <source>Set system keypad color
System color</source>
        <translation>Die Systemfarbe für das Tastenfeld einstellen
Systemfarbe</translation>
    </message>
    <message>
        <source>Set default keypad color
Default color</source>
        <translation>Die Standardfarbe für das Tastenfeld einstellen
Standardfarbe</translation>
    </message>
    <message>
        <source>&amp;Editor Font</source>
        <translation>&amp;Editorschrift</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Calculation</source>
        <translation>Berechnung</translation>
    </message>
    <message>
        <source>Save changes to %1?</source>
        <translation>Änderungen an %1 speichern?</translation>
    </message>
    <message>
        <source>Memory 1</source>
        <translation>Speicher 1</translation>
    </message>
    <message>
        <source>P&amp;lot	Ctrl+G</source>
        <translation>&amp;Zeichnen	Ctrl+G</translation>
    </message>
    <message>
        <source>Plot the calculation at the caret over a line or over the complex plane
Plot Ctrl+G</source>
        <translation>Die Rechnung an der Schreibmarke über einer Geraden oder über der komplexen Ebene zeichnen
Zeichnen Ctrl+G</translation>
    </message>
    <message>
        <source>Plot</source>
        <translation>Zeichnung</translation>
    </message>
    <message>
        <source>&amp;Plot</source>
        <translation>&amp;Zeichnung</translation>
    </message>
    <message>
        <source>Show or hide the plot
Toggle plot</source>
        <translation>Die Zeichnung ein- oder ausblenden
Zeichnung ein/aus</translation>
    </message>
    <message>
        <source>Load &amp;Constants</source>
        <translation>&amp;Konstanten laden</translation>
    </message>
    <message>
        <source>Define the physical constants of the shipped library
Load Constants</source>
        <translation>Die physikalischen Konstanten der mitgelieferten Sammlung definieren
Konstanten laden</translation>
    </message>
    <message>
        <source>The file of physical constants (constants.vcm) is neither beside the program nor in its data folder.</source>
        <translation>Die Datei der physikalischen Konstanten (constants.vcm) liegt weder neben dem Programm noch in seinem Datenordner.</translation>
    </message>
</context>
<context>
    <name>CCalcMemory</name>
    <message>
        <source>Incl</source>
        <translation>Inkl</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>Cell</source>
        <translation>Zelle</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>Freigeben</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>Invert</source>
        <translation>Auswahl umkehren</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>Calculator memory files (*.vcm)</source>
        <translation>Calculator-Speicherdateien (*.vcm)</translation>
    </message>
    <message>
        <source>Memory 1</source>
        <translation>Speicher 1</translation>
    </message>
    <message>
        <source>You are about to erase all the memory.
Are you sure?</source>
        <translation>Sie sind dabei, den ganzen Speicher zu löschen.
Sind Sie sicher?</translation>
    </message>
    <message>
        <source>You are about to erase selected memory.
Are you sure?</source>
        <translation>Sie sind dabei, den ausgewählten Speicher zu löschen.
Sind Sie sicher?</translation>
    </message>
    <message>
        <source>Only one cell selected
Calculate for all cells?</source>
        <translation>Nur eine Zelle ausgewählt
Für alle Zellen berechnen?</translation>
    </message>
    <message>
        <source>Memory cells</source>
        <translation>Speicherzellen</translation>
    </message>
    <message>
        <source>Definitions</source>
        <translation>Definitionen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Definition</source>
        <translation>Definition</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
</context>
<context>
    <name>CCalcPageSetup</name>
    <message>
        <source>Page Setup</source>
        <translation>Seite einrichten</translation>
    </message>
    <message>
        <source>Paper</source>
        <translation>Papier</translation>
    </message>
    <message>
        <source>Si&amp;ze:</source>
        <translation>&amp;Größe:</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>P&amp;ortrait</source>
        <translation>&amp;Hochformat</translation>
    </message>
    <message>
        <source>L&amp;andscape</source>
        <translation>&amp;Querformat</translation>
    </message>
    <message>
        <source>Margins (millimeters)</source>
        <translation>Ränder (Millimeter)</translation>
    </message>
    <message>
        <source>Margins (inches)</source>
        <translation>Ränder (Zoll)</translation>
    </message>
    <message>
        <source>&amp;Left:</source>
        <translation>&amp;Links:</translation>
    </message>
    <message>
        <source>&amp;Right:</source>
        <translation>&amp;Rechts:</translation>
    </message>
    <message>
        <source>&amp;Top:</source>
        <translation>&amp;Oben:</translation>
    </message>
    <message>
        <source>&amp;Bottom:</source>
        <translation>&amp;Unten:</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>File info</source>
        <translation>Dateiangabe</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Seitenzahl</translation>
    </message>
    <message>
        <source>Header center</source>
        <translation>Kopfzeile Mitte</translation>
    </message>
    <message>
        <source>Header right</source>
        <translation>Kopfzeile rechts</translation>
    </message>
    <message>
        <source>Footer center</source>
        <translation>Fußzeile Mitte</translation>
    </message>
    <message>
        <source>Footer right</source>
        <translation>Fußzeile rechts</translation>
    </message>
    <message>
        <source>Number format</source>
        <translation>Format der Seitenzahl</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Text font</source>
        <translation>Schrift des Textes</translation>
    </message>
    <message>
        <source>Header/footer font</source>
        <translation>Schrift der Kopf- und Fußzeile</translation>
    </message>
    <message>
        <source>&amp;Printer...</source>
        <translation>&amp;Drucker...</translation>
    </message>
    <message>
        <source>%1 %2 pt</source>
        <translation>%1 %2 pt</translation>
    </message>
    <message>
        <source>, bold</source>
        <translation>, fett</translation>
    </message>
    <message>
        <source>, italic</source>
        <translation>, kursiv</translation>
    </message>
    <message>
        <source>Select...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
</context>
<context>
    <name>CCalcPlot</name>
    <message>
        <source>Argument</source>
        <translation>Argument</translation>
    </message>
    <message>
        <source>Modulus</source>
        <translation>Betrag</translation>
    </message>
    <message>
        <source>Over a line</source>
        <translation>Über einer Geraden</translation>
    </message>
    <message>
        <source>Over the plane</source>
        <translation>Über der Ebene</translation>
    </message>
    <message>
        <source>Plot the calculation over a line or over the complex plane</source>
        <translation>Die Rechnung über einer Geraden oder über der komplexen Ebene zeichnen</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Im from</source>
        <translation>Im von</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Save the picture as PNG or SVG</source>
        <translation>Das Bild als PNG oder SVG speichern</translation>
    </message>
    <message>
        <source>As &amp;PNG...</source>
        <translation>Als &amp;PNG...</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>As &amp;SVG...</source>
        <translation>Als &amp;SVG...</translation>
    </message>
    <message>
        <source>SVG drawings (*.svg)</source>
        <translation>SVG-Zeichnungen (*.svg)</translation>
    </message>
    <message>
        <source>Nothing to plot: no calculation at the caret</source>
        <translation>Nichts zu zeichnen: keine Rechnung an der Schreibmarke</translation>
    </message>
    <message>
        <source>Nothing to plot: &quot;%1&quot; is not a calculation</source>
        <translation>Nichts zu zeichnen: „%1“ ist keine Rechnung</translation>
    </message>
    <message>
        <source>Nothing to plot: &quot;%1&quot; has no free name to plot over</source>
        <translation>Nichts zu zeichnen: „%1“ hat keinen freien Namen, über dem gezeichnet werden kann</translation>
    </message>
    <message>
        <source>Nothing to plot: &quot;%1&quot; has more than one free name (%2)</source>
        <translation>Nichts zu zeichnen: „%1“ hat mehr als einen freien Namen (%2)</translation>
    </message>
    <message>
        <source>Re from</source>
        <translation>Re von</translation>
    </message>
    <message>
        <source>Plot over a line</source>
        <translation>Zeichnung über einer Geraden</translation>
    </message>
    <message>
        <source>Plot over the complex plane</source>
        <translation>Zeichnung über der komplexen Ebene</translation>
    </message>
    <message>
        <source>Only the first calculation, &quot;%1&quot;, is drawn over the plane</source>
        <translation>Über der Ebene wird nur die erste Rechnung, „%1“, gezeichnet</translation>
    </message>
</context>
<context>
    <name>CCalcPreferencesDialog</name>
    <message>
        <source>West</source>
        <translation>West</translation>
    </message>
    <message>
        <source>East</source>
        <translation>Ost</translation>
    </message>
    <message>
        <source>Lower</source>
        <translation>Klein</translation>
    </message>
    <message>
        <source>Upper</source>
        <translation>Groß</translation>
    </message>
    <message>
        <source>Radians</source>
        <translation>Bogenmaß</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Grad</translation>
    </message>
    <message>
        <source>Grads</source>
        <translation>Gon</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Keypad</source>
        <translation>Tastenfeld</translation>
    </message>
    <message>
        <source>Append functions with</source>
        <translation>Funktionen ergänzen mit</translation>
    </message>
    <message>
        <source>Append memory with</source>
        <translation>Speicher ergänzen mit</translation>
    </message>
    <message>
        <source>including power ^</source>
        <translation>auch die Potenz ^</translation>
    </message>
    <message>
        <source>Gamma function instead of factorial</source>
        <translation>Gammafunktion statt Fakultät</translation>
    </message>
    <message>
        <source>Random number format</source>
        <translation>Schreibweise der Zufallszahl</translation>
    </message>
    <message>
        <source>Result format</source>
        <translation>Schreibweise des Ergebnisses</translation>
    </message>
    <message>
        <source>Memory format</source>
        <translation>Schreibweise des Speichers</translation>
    </message>
    <message>
        <source>Imaginary unit</source>
        <translation>Imaginäre Einheit</translation>
    </message>
    <message>
        <source>Notation</source>
        <translation>Schreibweise der Funktionen</translation>
    </message>
    <message>
        <source>Case</source>
        <translation>Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Pop-up on new message if hidden</source>
        <translation>Bei neuer Meldung einblenden, wenn ausgeblendet</translation>
    </message>
    <message>
        <source>Calculation</source>
        <translation>Berechnung</translation>
    </message>
    <message>
        <source>Memory free confirmation</source>
        <translation>Freigeben des Speichers bestätigen</translation>
    </message>
    <message>
        <source>Partial free confirmation as well</source>
        <translation>Auch teilweises Freigeben bestätigen</translation>
    </message>
    <message>
        <source>Use SSE2 processor module</source>
        <translation>SSE2-Prozessormodul verwenden</translation>
    </message>
    <message>
        <source>Trigonometric units</source>
        <translation>Winkeleinheit</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Show the result while typing</source>
        <translation>Ergebnis beim Tippen anzeigen</translation>
    </message>
</context>
<context>
    <name>CCalcPrintCommands</name>
    <message>
        <source>Could not start print job.</source>
        <translation>Der Druckauftrag konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Print to File</source>
        <translation>In Datei drucken</translation>
    </message>
    <message>
        <source>Printer Files (*.prn);;All Files (*.*)</source>
        <translation>Druckerdateien (*.prn);;Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>&amp;Print...	Ctrl+P</source>
        <translation>&amp;Drucken...	Ctrl+P</translation>
    </message>
    <message>
        <source>Print the active document</source>
        <translation>Das aktive Dokument drucken</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Print Pre&amp;view</source>
        <translation>Druck&amp;vorschau</translation>
    </message>
    <message>
        <source>Display full pages</source>
        <translation>Ganze Seiten anzeigen</translation>
    </message>
    <message>
        <source>Print Preview</source>
        <translation>Druckvorschau</translation>
    </message>
    <message>
        <source>Pa&amp;ge Setup...</source>
        <translation>Seite &amp;einrichten...</translation>
    </message>
    <message>
        <source>Change the printing options</source>
        <translation>Die Druckoptionen ändern</translation>
    </message>
    <message>
        <source>Page Setup</source>
        <translation>Seite einrichten</translation>
    </message>
    <message>
        <source>Calculation</source>
        <translation>Berechnung</translation>
    </message>
</context>
<context>
    <name>CCalcPrintingDialog</name>
    <message>
        <source>Printing</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Anschluss</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>Seite %1</translation>
    </message>
</context>
<context>
    <name>CCalcProgress</name>
    <message>
        <source>Calculating...</source>
        <translation>Berechnung läuft...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CCalcRecovery</name>
    <message>
        <source>Restore the unsaved calculation from %1?</source>
        <translation>Die nicht gespeicherte Berechnung vom %1 wiederherstellen?</translation>
    </message>
    <message>
        <source>Restore the unsaved changes to %1 from %2?</source>
        <translation>Die nicht gespeicherten Änderungen an %1 vom %2 wiederherstellen?</translation>
    </message>
    <message>
        <source>%1 has changed on disk since.</source>
        <translation>%1 wurde seitdem auf dem Datenträger geändert.</translation>
    </message>
</context>
<context>
    <name>CCalcStatistics</name>
    <message>
        <source>Mean (average)</source>
        <translation>Mittelwert</translation>
    </message>
    <message>
        <source>Variance</source>
        <translation>Varianz</translation>
    </message>
    <message>
        <source>Standard deviation</source>
        <translation>Standardabweichung</translation>
    </message>
    <message>
        <source>Average deviation</source>
        <translation>Mittlere Abweichung</translation>
    </message>
    <message>
        <source>Skewness</source>
        <translation>Schiefe</translation>
    </message>
    <message>
        <source>Kurtosis</source>
        <translation>Wölbung</translation>
    </message>
</context>
<context>
    <name>CCalcToolBar</name>
    <message>
        <source>Vantrel Calculator</source>
        <translation>Vantrel Calculator</translation>
    </message>
    <message>
        <source>Radians</source>
        <translation>Bogenmaß</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Grad</translation>
    </message>
    <message>
        <source>Grads</source>
        <translation>Gon</translation>
    </message>
</context>
<context>
    <name>CCalcTrigonometricUnits</name>
    <message>
        <source>Trigonometric function</source>
        <translation>Winkelfunktion</translation>
    </message>
</context>
<context>
    <name>CCalcView</name>
    <message>
        <source>Calculation text</source>
        <translation>Rechentext</translation>
    </message>
    <message>
        <source>Completions</source>
        <translation>Vervollständigungen</translation>
    </message>
</context>
<context>
    <name>CShellRequestServer</name>
    <message>
        <source>
(%1 more)</source>
        <translation>
(%1 weitere)</translation>
    </message>
</context>
<context>
    <name>CStatisticsPicture</name>
    <message>
        <source>The values in the complex plane with their mean, or their histogram when all are real</source>
        <translation>Die Werte in der komplexen Ebene mit ihrem Mittelwert, oder ihr Histogramm, wenn alle reell sind</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Mittelwert</translation>
    </message>
</context>
<context>
    <name>Help</name>
    <message>
        <source>&amp;Help Topics</source>
        <translation>&amp;Hilfethemen</translation>
    </message>
    <message>
        <source>Calculator Ka-Vm Help</source>
        <translation>Hilfe zu Calculator Ka-Vm</translation>
    </message>
    <message>
        <source>List Help topics</source>
        <translation>Die Hilfethemen auflisten</translation>
    </message>
</context>
<context>
    <name>Shell</name>
    <message>
        <source>System registry entries have been removed and the INI file (if any) was deleted.</source>
        <translation>Die Einträge in der Systemregistrierung wurden entfernt und die INI-Datei (falls vorhanden) wurde gelöscht.</translation>
    </message>
    <message>
        <source>Not all of the system registry entries (or INI file) were removed.</source>
        <translation>Nicht alle Einträge in der Systemregistrierung (oder die INI-Datei) wurden entfernt.</translation>
    </message>
</context>
</TS>
