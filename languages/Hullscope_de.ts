<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QObject</name>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abbruch</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>Fatal Error</source>
        <translation>Schwerer Fehler</translation>
    </message>
    <message>
        <source>
Application will now close.</source>
        <translation>
Die Anwendung wird jetzt beendet.</translation>
    </message>
    <message>
        <source>Brastel not found</source>
        <translation>Brastel nicht gefunden</translation>
    </message>
    <message>
        <source>You must select a tank.</source>
        <translation>Sie müssen einen Panzer auswählen.</translation>
    </message>
    <message>
        <source>You must select a mod folder in the application preferences.</source>
        <translation>Sie müssen in den Einstellungen einen Mod-Ordner auswählen.</translation>
    </message>
    <message>
        <source>Failed to create directory</source>
        <translation>Ordner konnte nicht erstellt werden</translation>
    </message>
    <message>
        <source>Directory already exists.</source>
        <translation>Der Ordner existiert bereits.</translation>
    </message>
    <message>
        <source>Failed to extract textures</source>
        <translation>Texturen konnten nicht entpackt werden</translation>
    </message>
    <message>
        <source>Open Directory</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Select a file</source>
        <translation>Datei auswählen</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisierung</translation>
    </message>
</context>
</TS>
