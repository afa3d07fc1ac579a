<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CameraController</name>
    <message>
        <location filename="../src/render/cameracontroller.cpp" line="+299"/>
        <source>Save Camera File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Open Camera File</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Database</name>
    <message>
        <location filename="../src/gamedata/database.cpp" line="+158"/>
        <source>Rebuilding database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+56"/>
        <source>Could not build the database.
Please check that your Brastel path is correct.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+46"/>
        <source>Database rebuilt.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../src/core/dialogs.cpp" line="+35"/>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Abort</source>
        <translation>Abbruch</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <location filename="../src/ui/startup.cpp" line="+92"/>
        <source>Fatal Error</source>
        <translation>Schwerer Fehler</translation>
    </message>
    <message>
        <location filename="../src/core/fatalerror.cpp" line="+66"/>
        <source>
Application will now close.</source>
        <translation>
Die Anwendung wird jetzt beendet.</translation>
    </message>
    <message>
        <location filename="../src/core/sysinfo.cpp" line="+55"/>
        <source>Brastel not found</source>
        <translation>Brastel nicht gefunden</translation>
    </message>
    <message>
        <location filename="../src/core/messagestrings.cpp" line="+6"/>
        <source>You must select a tank.</source>
        <translation>Sie müssen einen Panzer auswählen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>You must select a mod folder in the application preferences.</source>
        <translation>Sie müssen in den Einstellungen einen Mod-Ordner auswählen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to create directory</source>
        <translation>Ordner konnte nicht erstellt werden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Directory already exists.</source>
        <translation>Der Ordner existiert bereits.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to extract textures</source>
        <translation>Texturen konnten nicht entpackt werden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open Directory</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Select a file</source>
        <translation>Datei auswählen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <location filename="../src/core/log.cpp" line="+43"/>
        <source>Could not create user directory,this is most likely a permissions issue.
Please check that you have sufficient write access to: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Could not open log file,this is most likely a permissions issue.
Please check that you have sufficient write access to: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RenderWidget</name>
    <message>
        <location filename="../src/render/overlayimage.cpp" line="+33"/>
        <source>Nation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Category</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Tier</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Hit Points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Avg FPS: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Frame Time(ms): </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tank Triangle count: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Total Scene Triangle count: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/render/renderwidget.cpp" line="+314"/>
        <source>OpenGL 3.2 is required.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Failed to load OpenGL Functions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Shader initialization failed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <location filename="../src/core/settings.cpp" line="+60"/>
        <source>Could not locate settings file, creating a new one.
The preferences dialog will now be shown, please make sure the Brastel path is correct.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+17"/>
        <location line="+98"/>
        <location line="+1"/>
        <source>Could not open settings file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-93"/>
        <source>Could not set XML content.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TankLoader</name>
    <message>
        <location filename="../src/tank/tankloader.cpp" line="+113"/>
        <source>Extracting texture files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Cancel</source>
        <translation type="unfinished">Abbrechen</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>WARNING! </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source> already exists.
Are you sure you want to overwrite this file?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Extraction completed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
