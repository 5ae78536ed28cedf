<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>EngineMode</name>
    <message>
        <source>Per clip</source>
        <translation>Pro Aufnahme</translation>
    </message>
    <message>
        <source>Keep the model loaded</source>
        <translation>Modell geladen halten</translation>
    </message>
    <message>
        <source>Remote server</source>
        <translation>Entfernter Server</translation>
    </message>
</context>
<context>
    <name>parlix::Application</name>
    <message>
        <source>Parlix is running without a tray icon</source>
        <translation>Parlix läuft ohne Symbol im Systembereich</translation>
    </message>
    <message>
        <source>Transcription failed</source>
        <translation>Transkription fehlgeschlagen</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Transcript on the clipboard</source>
        <translation>Transkript in der Zwischenablage</translation>
    </message>
    <message>
        <source>The X server lacks the XTEST extension: Parlix can copy transcripts but not paste or type them.</source>
        <translation>Dem X-Server fehlt die XTEST-Erweiterung: Parlix kann Transkripte kopieren, aber weder einfügen noch tippen.</translation>
    </message>
    <message>
        <source>This desktop offers applications no virtual keyboard: Parlix copies each transcript to the clipboard for you to paste with Ctrl+V.</source>
        <translation>Diese Arbeitsumgebung bietet Anwendungen keine virtuelle Tastatur: Parlix kopiert jedes Transkript in die Zwischenablage, damit Sie es mit Strg+V einfügen können.</translation>
    </message>
</context>
<context>
    <name>parlix::AudioRecorderError</name>
    <message>
        <source>Recording failed: %1</source>
        <translation>Aufnahme fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Microphone permission denied</source>
        <translation>Zugriff auf das Mikrofon verweigert</translation>
    </message>
</context>
<context>
    <name>parlix::Constants</name>
    <message>
        <source>Auto-detect</source>
        <translation>Automatisch erkennen</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>Chinesisch</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Spanish</source>
        <translation>Spanisch</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>Russisch</translation>
    </message>
    <message>
        <source>Korean</source>
        <translation>Koreanisch</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Französisch</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>Japanisch</translation>
    </message>
    <message>
        <source>Portuguese</source>
        <translation>Portugiesisch</translation>
    </message>
    <message>
        <source>Turkish</source>
        <translation>Türkisch</translation>
    </message>
    <message>
        <source>Polish</source>
        <translation>Polnisch</translation>
    </message>
    <message>
        <source>Catalan</source>
        <translation>Katalanisch</translation>
    </message>
    <message>
        <source>Dutch</source>
        <translation>Niederländisch</translation>
    </message>
    <message>
        <source>Arabic</source>
        <translation>Arabisch</translation>
    </message>
    <message>
        <source>Swedish</source>
        <translation>Schwedisch</translation>
    </message>
    <message>
        <source>Italian</source>
        <translation>Italienisch</translation>
    </message>
    <message>
        <source>Indonesian</source>
        <translation>Indonesisch</translation>
    </message>
    <message>
        <source>Hindi</source>
        <translation>Hindi</translation>
    </message>
    <message>
        <source>Finnish</source>
        <translation>Finnisch</translation>
    </message>
    <message>
        <source>Vietnamese</source>
        <translation>Vietnamesisch</translation>
    </message>
    <message>
        <source>Hebrew</source>
        <translation>Hebräisch</translation>
    </message>
    <message>
        <source>Ukrainian</source>
        <translation>Ukrainisch</translation>
    </message>
    <message>
        <source>Greek</source>
        <translation>Griechisch</translation>
    </message>
    <message>
        <source>Malay</source>
        <translation>Malaiisch</translation>
    </message>
    <message>
        <source>Czech</source>
        <translation>Tschechisch</translation>
    </message>
    <message>
        <source>Romanian</source>
        <translation>Rumänisch</translation>
    </message>
    <message>
        <source>Danish</source>
        <translation>Dänisch</translation>
    </message>
    <message>
        <source>Hungarian</source>
        <translation>Ungarisch</translation>
    </message>
    <message>
        <source>Tamil</source>
        <translation>Tamil</translation>
    </message>
    <message>
        <source>Norwegian</source>
        <translation>Norwegisch</translation>
    </message>
    <message>
        <source>Thai</source>
        <translation>Thailändisch</translation>
    </message>
    <message>
        <source>Urdu</source>
        <translation>Urdu</translation>
    </message>
    <message>
        <source>Croatian</source>
        <translation>Kroatisch</translation>
    </message>
    <message>
        <source>Bulgarian</source>
        <translation>Bulgarisch</translation>
    </message>
    <message>
        <source>Lithuanian</source>
        <translation>Litauisch</translation>
    </message>
    <message>
        <source>Latin</source>
        <translation>Latein</translation>
    </message>
    <message>
        <source>Maori</source>
        <translation>Maori</translation>
    </message>
    <message>
        <source>Malayalam</source>
        <translation>Malayalam</translation>
    </message>
    <message>
        <source>Welsh</source>
        <translation>Walisisch</translation>
    </message>
    <message>
        <source>Slovak</source>
        <translation>Slowakisch</translation>
    </message>
    <message>
        <source>Telugu</source>
        <translation>Telugu</translation>
    </message>
    <message>
        <source>Persian</source>
        <translation>Persisch</translation>
    </message>
    <message>
        <source>Latvian</source>
        <translation>Lettisch</translation>
    </message>
    <message>
        <source>Bengali</source>
        <translation>Bengalisch</translation>
    </message>
    <message>
        <source>Serbian</source>
        <translation>Serbisch</translation>
    </message>
    <message>
        <source>Azerbaijani</source>
        <translation>Aserbaidschanisch</translation>
    </message>
    <message>
        <source>Slovenian</source>
        <translation>Slowenisch</translation>
    </message>
    <message>
        <source>Kannada</source>
        <translation>Kannada</translation>
    </message>
    <message>
        <source>Estonian</source>
        <translation>Estnisch</translation>
    </message>
    <message>
        <source>Macedonian</source>
        <translation>Mazedonisch</translation>
    </message>
    <message>
        <source>Breton</source>
        <translation>Bretonisch</translation>
    </message>
    <message>
        <source>Basque</source>
        <translation>Baskisch</translation>
    </message>
    <message>
        <source>Icelandic</source>
        <translation>Isländisch</translation>
    </message>
    <message>
        <source>Armenian</source>
        <translation>Armenisch</translation>
    </message>
    <message>
        <source>Nepali</source>
        <translation>Nepalesisch</translation>
    </message>
    <message>
        <source>Mongolian</source>
        <translation>Mongolisch</translation>
    </message>
    <message>
        <source>Bosnian</source>
        <translation>Bosnisch</translation>
    </message>
    <message>
        <source>Kazakh</source>
        <translation>Kasachisch</translation>
    </message>
    <message>
        <source>Albanian</source>
        <translation>Albanisch</translation>
    </message>
    <message>
        <source>Swahili</source>
        <translation>Suaheli</translation>
    </message>
    <message>
        <source>Galician</source>
        <translation>Galicisch</translation>
    </message>
    <message>
        <source>Marathi</source>
        <translation>Marathi</translation>
    </message>
    <message>
        <source>Punjabi</source>
        <translation>Panjabi</translation>
    </message>
    <message>
        <source>Sinhala</source>
        <translation>Singhalesisch</translation>
    </message>
    <message>
        <source>Khmer</source>
        <translation>Khmer</translation>
    </message>
    <message>
        <source>Shona</source>
        <translation>Shona</translation>
    </message>
    <message>
        <source>Yoruba</source>
        <translation>Yoruba</translation>
    </message>
    <message>
        <source>Somali</source>
        <translation>Somali</translation>
    </message>
    <message>
        <source>Afrikaans</source>
        <translation>Afrikaans</translation>
    </message>
    <message>
        <source>Occitan</source>
        <translation>Okzitanisch</translation>
    </message>
    <message>
        <source>Georgian</source>
        <translation>Georgisch</translation>
    </message>
    <message>
        <source>Belarusian</source>
        <translation>Belarussisch</translation>
    </message>
    <message>
        <source>Tajik</source>
        <translation>Tadschikisch</translation>
    </message>
    <message>
        <source>Sindhi</source>
        <translation>Sindhi</translation>
    </message>
    <message>
        <source>Gujarati</source>
        <translation>Gujarati</translation>
    </message>
    <message>
        <source>Amharic</source>
        <translation>Amharisch</translation>
    </message>
    <message>
        <source>Yiddish</source>
        <translation>Jiddisch</translation>
    </message>
    <message>
        <source>Lao</source>
        <translation>Laotisch</translation>
    </message>
    <message>
        <source>Uzbek</source>
        <translation>Usbekisch</translation>
    </message>
    <message>
        <source>Faroese</source>
        <translation>Färöisch</translation>
    </message>
    <message>
        <source>Haitian Creole</source>
        <translation>Haitianisch</translation>
    </message>
    <message>
        <source>Pashto</source>
        <translation>Paschtu</translation>
    </message>
    <message>
        <source>Turkmen</source>
        <translation>Turkmenisch</translation>
    </message>
    <message>
        <source>Nynorsk</source>
        <translation>Nynorsk</translation>
    </message>
    <message>
        <source>Maltese</source>
        <translation>Maltesisch</translation>
    </message>
    <message>
        <source>Sanskrit</source>
        <translation>Sanskrit</translation>
    </message>
    <message>
        <source>Luxembourgish</source>
        <translation>Luxemburgisch</translation>
    </message>
    <message>
        <source>Myanmar</source>
        <translation>Birmanisch</translation>
    </message>
    <message>
        <source>Tibetan</source>
        <translation>Tibetisch</translation>
    </message>
    <message>
        <source>Tagalog</source>
        <translation>Tagalog</translation>
    </message>
    <message>
        <source>Malagasy</source>
        <translation>Malagassi</translation>
    </message>
    <message>
        <source>Assamese</source>
        <translation>Assamesisch</translation>
    </message>
    <message>
        <source>Tatar</source>
        <translation>Tatarisch</translation>
    </message>
    <message>
        <source>Hawaiian</source>
        <translation>Hawaiisch</translation>
    </message>
    <message>
        <source>Lingala</source>
        <translation>Lingala</translation>
    </message>
    <message>
        <source>Hausa</source>
        <translation>Hausa</translation>
    </message>
    <message>
        <source>Bashkir</source>
        <translation>Baschkirisch</translation>
    </message>
    <message>
        <source>Javanese</source>
        <translation>Javanisch</translation>
    </message>
    <message>
        <source>Sundanese</source>
        <translation>Sundanesisch</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source> (Dev Build)</source>
        <translation> (Entwicklerversion)</translation>
    </message>
</context>
<context>
    <name>parlix::Constants::Models</name>
    <message>
        <source>Fastest, basic accuracy</source>
        <translation>Am schnellsten, einfache Präzision</translation>
    </message>
    <message>
        <source>Fast, good balance</source>
        <translation>Schnell, gute Balance</translation>
    </message>
    <message>
        <source>Medium speed, better accuracy</source>
        <translation>Mittleres Tempo, höhere Präzision</translation>
    </message>
    <message>
        <source>Slower, high accuracy</source>
        <translation>Langsamer, hohe Präzision</translation>
    </message>
    <message>
        <source>Best speed/accuracy ratio</source>
        <translation>Bestes Verhältnis Tempo/Präzision</translation>
    </message>
    <message>
        <source>Maximum accuracy</source>
        <translation>Höchste Präzision</translation>
    </message>
</context>
<context>
    <name>parlix::DictationController</name>
    <message>
        <source>Transcription failed: %1. The recording was kept; choose Retry Last Recording to try again.</source>
        <translation>Transkription fehlgeschlagen: %1. Die Aufnahme wurde aufbewahrt; wählen Sie „Letzte Aufnahme erneut versuchen“, um es noch einmal zu versuchen.</translation>
    </message>
    <message numerus="yes">
        <source>Transcription took longer than %n second(s) and was stopped. The recording was kept; choose Retry Last Recording to try again.</source>
        <translation>
            <numerusform>Die Transkription dauerte länger als %n Sekunde und wurde abgebrochen. Die Aufnahme wurde aufbewahrt; wählen Sie „Letzte Aufnahme erneut versuchen“, um es noch einmal zu versuchen.</numerusform>
            <numerusform>Die Transkription dauerte länger als %n Sekunden und wurde abgebrochen. Die Aufnahme wurde aufbewahrt; wählen Sie „Letzte Aufnahme erneut versuchen“, um es noch einmal zu versuchen.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>parlix::ExportFormat</name>
    <message>
        <source>Text (.txt)</source>
        <translation>Text (.txt)</translation>
    </message>
</context>
<context>
    <name>parlix::HotkeyManager</name>
    <message>
        <source>The hotkey stopped working after a keyboard layout change</source>
        <translation>Das Tastenkürzel funktioniert nach einem Wechsel der Tastaturbelegung nicht mehr</translation>
    </message>
    <message>
        <source>The hotkey cannot be registered: the window system cannot be reached</source>
        <translation>Das Tastenkürzel kann nicht registriert werden: Das Fenstersystem ist nicht erreichbar</translation>
    </message>
    <message>
        <source>The hotkey cannot be registered: the window system lacks key release events</source>
        <translation>Das Tastenkürzel kann nicht registriert werden: Das Fenstersystem meldet kein Loslassen von Tasten</translation>
    </message>
    <message>
        <source>%1 cannot be used as a hotkey on this system</source>
        <translation>%1 kann auf diesem System nicht als Tastenkürzel verwendet werden</translation>
    </message>
    <message>
        <source>%1 cannot be typed on the current keyboard layout</source>
        <translation>%1 lässt sich mit der aktuellen Tastaturbelegung nicht eingeben</translation>
    </message>
    <message>
        <source>%1 is already used by another application</source>
        <translation>%1 wird bereits von einer anderen Anwendung verwendet</translation>
    </message>
    <message>
        <source>%1 could not be registered (error %2)</source>
        <translation>%1 konnte nicht registriert werden (Fehler %2)</translation>
    </message>
    <message>
        <source>Start and stop a dictation</source>
        <translation>Ein Diktat starten und beenden</translation>
    </message>
    <message>
        <source>This desktop lets no application register a global shortcut: bind a key to parlixctl in the desktop&apos;s own keyboard settings</source>
        <translation>Diese Arbeitsumgebung erlaubt keiner Anwendung, ein globales Tastenkürzel zu registrieren: Weisen Sie parlixctl in den Tastatureinstellungen der Arbeitsumgebung eine Taste zu</translation>
    </message>
    <message>
        <source>The desktop&apos;s shortcut dialog was closed without binding %1</source>
        <translation>Der Tastenkürzel-Dialog der Arbeitsumgebung wurde geschlossen, ohne %1 zuzuweisen</translation>
    </message>
    <message>
        <source>The desktop bound no shortcut for dictation</source>
        <translation>Die Arbeitsumgebung hat dem Diktat kein Tastenkürzel zugewiesen</translation>
    </message>
    <message>
        <source>The desktop ended the shortcut session; the hotkey no longer works</source>
        <translation>Die Arbeitsumgebung hat die Tastenkürzel-Sitzung beendet; das Tastenkürzel funktioniert nicht mehr</translation>
    </message>
</context>
<context>
    <name>parlix::HotkeyNotice</name>
    <message>
        <source>Hotkey %1 is unavailable</source>
        <translation>Tastenkürzel %1 ist nicht verfügbar</translation>
    </message>
    <message>
        <source>Change hotkey</source>
        <translation>Tastenkürzel ändern</translation>
    </message>
    <message>
        <source>Change…</source>
        <translation>Ändern …</translation>
    </message>
    <message>
        <source>until you choose another hotkey in Settings → Recording</source>
        <translation>bis Sie unter Einstellungen → Aufnahme ein anderes Tastenkürzel wählen</translation>
    </message>
    <message>
        <source>until a key is bound to it as Settings → Recording describes</source>
        <translation>bis ihr eine Taste zugewiesen ist, wie unter Einstellungen → Aufnahme beschrieben</translation>
    </message>
    <message>
        <source>No global hotkey</source>
        <translation>Kein globales Tastenkürzel</translation>
    </message>
    <message>
        <source>%1. Dictation cannot be started from the keyboard %2.</source>
        <translation>%1. Das Diktat kann nicht über die Tastatur gestartet werden, %2.</translation>
    </message>
    <message>
        <source>Bind a key to dictate</source>
        <translation>Eine Taste für das Diktat zuweisen</translation>
    </message>
    <message>
        <source>This desktop lets no application claim a global hotkey. Bind a key to parlixctl in its configuration: Settings → Recording shows the line to add.</source>
        <translation>Diese Arbeitsumgebung lässt keine Anwendung ein globales Tastenkürzel belegen. Weisen Sie parlixctl in ihrer Konfiguration eine Taste zu: Einstellungen → Aufnahme zeigt die Zeile dafür.</translation>
    </message>
    <message>
        <source>Show the binding</source>
        <translation>Zuweisung zeigen</translation>
    </message>
    <message>
        <source>Show the Binding…</source>
        <translation>Zuweisung zeigen …</translation>
    </message>
</context>
<context>
    <name>parlix::InputDeviceChoice</name>
    <message>
        <source>No audio input device</source>
        <translation>Kein Audio-Eingabegerät</translation>
    </message>
</context>
<context>
    <name>parlix::ModelDownloadError</name>
    <message>
        <source>Download failed: %1</source>
        <translation>Herunterladen fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>File operation failed: %1</source>
        <translation>Dateivorgang fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>A download is already in progress</source>
        <translation>Es läuft bereits ein Download</translation>
    </message>
    <message>
        <source>Download cancelled</source>
        <translation>Download abgebrochen</translation>
    </message>
</context>
<context>
    <name>parlix::ModelDownloadNotice</name>
    <message>
        <source>Model downloaded</source>
        <translation>Modell heruntergeladen</translation>
    </message>
    <message>
        <source>%1 is ready for dictation.</source>
        <translation>%1 ist bereit zum Diktieren.</translation>
    </message>
    <message>
        <source>Model download failed</source>
        <translation>Download des Modells fehlgeschlagen</translation>
    </message>
    <message>
        <source>Open the Model settings</source>
        <translation>Modell-Einstellungen öffnen</translation>
    </message>
</context>
<context>
    <name>parlix::ModelFiles</name>
    <message>
        <source>The folder “%1” doesn’t exist or can’t be read.</source>
        <translation>Der Ordner „%1“ existiert nicht oder kann nicht gelesen werden.</translation>
    </message>
</context>
<context>
    <name>parlix::PasteManager</name>
    <message>
        <source>Press Ctrl+V to paste the transcript.</source>
        <translation>Drücken Sie Strg+V, um das Transkript einzufügen.</translation>
    </message>
    <message>
        <source>Parlix could neither paste nor copy the transcript on this desktop; you find it in the history.</source>
        <translation>Parlix konnte das Transkript in dieser Arbeitsumgebung weder einfügen noch kopieren; Sie finden es im Verlauf.</translation>
    </message>
</context>
<context>
    <name>parlix::PortalGlobalShortcutBackend</name>
    <message>
        <source>not set yet</source>
        <translation>noch nicht festgelegt</translation>
    </message>
</context>
<context>
    <name>parlix::SettingsModel</name>
    <message>
        <source>Push to talk (hold to record)</source>
        <translation>Push-to-Talk (zum Aufnehmen gedrückt halten)</translation>
    </message>
    <message>
        <source>Toggle (press to start/stop)</source>
        <translation>Umschalten (Drücken startet/stoppt)</translation>
    </message>
    <message>
        <source>Paste into active input</source>
        <translation>In aktives Eingabefeld einfügen</translation>
    </message>
    <message>
        <source>Paste into active input + copy to clipboard</source>
        <translation>In aktives Eingabefeld einfügen + in Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Copy to clipboard</source>
        <translation>In Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>History only (click to copy)</source>
        <translation>Nur Verlauf (Klick kopiert)</translation>
    </message>
</context>
<context>
    <name>parlix::SettingsTab</name>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
</context>
<context>
    <name>parlix::TranscriptItem</name>
    <message>
        <source>1 word</source>
        <translation>1 Wort</translation>
    </message>
    <message>
        <source>%1 words</source>
        <translation>%1 Wörter</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Modell: %1</translation>
    </message>
    <message>
        <source>MMM d, yyyy &apos;at&apos; h:mm:ss a</source>
        <translation>d. MMM yyyy &apos;um&apos; HH:mm:ss</translation>
    </message>
    <message>
        <source>&apos;Today at&apos; h:mm:ss a</source>
        <translation>&apos;Heute um&apos; HH:mm:ss</translation>
    </message>
    <message>
        <source>&apos;Yesterday at&apos; h:mm:ss a</source>
        <translation>&apos;Gestern um&apos; HH:mm:ss</translation>
    </message>
    <message>
        <source>EEEE &apos;at&apos; h:mm:ss a</source>
        <translation>EEEE &apos;um&apos; HH:mm:ss</translation>
    </message>
</context>
<context>
    <name>parlix::WhisperError</name>
    <message>
        <source>Model file not found: %1</source>
        <translation>Modelldatei nicht gefunden: %1</translation>
    </message>
    <message>
        <source>Transcription failed: %1</source>
        <translation>Transkription fehlgeschlagen: %1</translation>
    </message>
</context>
<context>
    <name>parlix::ui::AboutPage</name>
    <message>
        <source>Fun fact: The first words transcribed by this app were probably &apos;testing testing 1 2 3&apos;</source>
        <translation>Kleine Anekdote: Die ersten Worte, die diese App transkribiert hat, waren wahrscheinlich „Test, Test, 1, 2, 3“</translation>
    </message>
    <message>
        <source>Did you know? Whisper was trained on 680,000 hours of audio. That&apos;s 77 years of podcasts.</source>
        <translation>Schon gewusst? Whisper wurde mit 680.000 Stunden Audio trainiert. Das sind 77 Jahre Podcasts.</translation>
    </message>
    <message>
        <source>Pro tip: Talk to your computer. It&apos;s listening. Always listening...</source>
        <translation>Profi-Tipp: Sprechen Sie mit Ihrem Computer. Er hört zu. Immer …</translation>
    </message>
    <message>
        <source>Achievement unlocked: Icon Clicker</source>
        <translation>Erfolg freigeschaltet: Symbol-Klicker</translation>
    </message>
    <message>
        <source>The mic is always ready. Are you?</source>
        <translation>Das Mikrofon ist immer bereit. Sie auch?</translation>
    </message>
    <message>
        <source>Roses are red, violets are blue, I transcribe your voice, and your mumbling too.</source>
        <translation>Rosen sind rot, Veilchen sind blau, ich schreibe mit, auch Ihr Nuscheln genau.</translation>
    </message>
    <message>
        <source>I heard you the first time. And the second. And the third...</source>
        <translation>Ich habe Sie schon beim ersten Mal gehört. Und beim zweiten. Und beim dritten …</translation>
    </message>
    <message>
        <source>Fun fact: Your voice is unique. Like a fingerprint, but louder.</source>
        <translation>Kleine Anekdote: Ihre Stimme ist einzigartig. Wie ein Fingerabdruck, nur lauter.</translation>
    </message>
    <message>
        <source>Whisper whisper... that&apos;s literally what I do.</source>
        <translation>Flüster, flüster … genau das mache ich.</translation>
    </message>
    <message>
        <source>You&apos;ve discovered the sacred spinning icon. Use this power wisely.</source>
        <translation>Sie haben das heilige drehende Symbol entdeckt. Nutzen Sie diese Macht weise.</translation>
    </message>
    <message>
        <source>Error 404: Silence not found. Keep talking!</source>
        <translation>Fehler 404: Stille nicht gefunden. Reden Sie weiter!</translation>
    </message>
    <message>
        <source>I&apos;ve transcribed things. Things I can never un-hear.</source>
        <translation>Ich habe Dinge transkribiert. Dinge, die ich nie wieder vergessen kann.</translation>
    </message>
    <message>
        <source>Behind every great transcription is a developer who said &apos;it works on my machine&apos;.</source>
        <translation>Hinter jeder großartigen Transkription steht jemand, der sagte: „Bei mir funktioniert’s.“</translation>
    </message>
    <message>
        <source>Plot twist: The app was the friend we made along the way.</source>
        <translation>Überraschende Wendung: Die App war der Freund, den wir unterwegs gefunden haben.</translation>
    </message>
    <message>
        <source>You&apos;re still clicking? I admire your dedication.</source>
        <translation>Sie klicken immer noch? Ich bewundere Ihre Hingabe.</translation>
    </message>
    <message>
        <source>Shh... the bits are sleeping. Just kidding, they never sleep.</source>
        <translation>Pst … die Bits schlafen. Nur ein Scherz, die schlafen nie.</translation>
    </message>
    <message>
        <source>Voice recognition tip: Speaking clearly helps. Shouting does not.</source>
        <translation>Tipp zur Spracherkennung: Deutlich sprechen hilft. Schreien nicht.</translation>
    </message>
    <message>
        <source>I put the &apos;AI&apos; in &apos;Wait, did I say that out loud?&apos;</source>
        <translation>Ich bin die KI in „Moment, habe ich das laut gesagt?“</translation>
    </message>
    <message>
        <source>Check for &amp;Updates...</source>
        <translation>Nach &amp;Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>Updates come from your package manager</source>
        <translation>Aktualisierungen kommen über Ihre Paketverwaltung</translation>
    </message>
    <message>
        <source>Speech-to-text powered by Whisper</source>
        <translation>Spracherkennung mit Whisper</translation>
    </message>
    <message>
        <source>Because typing is overrated</source>
        <translation>Weil Tippen überbewertet ist</translation>
    </message>
    <message>
        <source>You found the secret!</source>
        <translation>Sie haben das Geheimnis gefunden!</translation>
    </message>
    <message>
        <source>Enable E&amp;xperimental Features</source>
        <translation>E&amp;xperimentelle Funktionen aktivieren</translation>
    </message>
    <message>
        <source>When disabled, Live Dictation, Translate to English, and Text Replacements will not run.</source>
        <translation>Wenn deaktiviert, laufen Live-Diktat, Übersetzung ins Englische und Textersetzungen nicht.</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
</context>
<context>
    <name>parlix::ui::AudioLevelMeter</name>
    <message>
        <source>Audio Level:</source>
        <translation>Pegel:</translation>
    </message>
    <message>
        <source>Audio level</source>
        <translation>Pegel</translation>
    </message>
    <message>
        <source>Silence</source>
        <translation>Stille</translation>
    </message>
    <message>
        <source>Loud</source>
        <translation>Laut</translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
</context>
<context>
    <name>parlix::ui::CommandCompletionField</name>
    <message>
        <source>New line</source>
        <translation>Neue Zeile</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tabulator</translation>
    </message>
    <message>
        <source>Bold (**)</source>
        <translation>Fett (**)</translation>
    </message>
    <message>
        <source>Italic (_)</source>
        <translation>Kursiv (_)</translation>
    </message>
    <message>
        <source>Strikethrough (~~)</source>
        <translation>Durchgestrichen (~~)</translation>
    </message>
    <message>
        <source>Inline code (`)</source>
        <translation>Code im Text (`)</translation>
    </message>
    <message>
        <source>Code block (```)</source>
        <translation>Codeblock (```)</translation>
    </message>
    <message>
        <source>Bullet point (•)</source>
        <translation>Aufzählungspunkt (•)</translation>
    </message>
    <message>
        <source>Dash (-)</source>
        <translation>Strich (-)</translation>
    </message>
    <message>
        <source>Arrow (→)</source>
        <translation>Pfeil (→)</translation>
    </message>
    <message>
        <source>Numbered list (1.)</source>
        <translation>Nummerierte Liste (1.)</translation>
    </message>
    <message>
        <source>Unchecked box (☐)</source>
        <translation>Leeres Kästchen (☐)</translation>
    </message>
    <message>
        <source>Checked box (☑)</source>
        <translation>Abgehaktes Kästchen (☑)</translation>
    </message>
    <message>
        <source>Heading 1 (#)</source>
        <translation>Überschrift 1 (#)</translation>
    </message>
    <message>
        <source>Heading 2 (##)</source>
        <translation>Überschrift 2 (##)</translation>
    </message>
    <message>
        <source>Heading 3 (###)</source>
        <translation>Überschrift 3 (###)</translation>
    </message>
    <message>
        <source>Left double quote (“)</source>
        <translation>Doppeltes Anführungszeichen links (“)</translation>
    </message>
    <message>
        <source>Right double quote (”)</source>
        <translation>Doppeltes Anführungszeichen rechts (”)</translation>
    </message>
    <message>
        <source>Left single quote (‘)</source>
        <translation>Einfaches Anführungszeichen links (‘)</translation>
    </message>
    <message>
        <source>Right single quote (’)</source>
        <translation>Einfaches Anführungszeichen rechts (’)</translation>
    </message>
    <message>
        <source>Block quote (&gt;)</source>
        <translation>Zitatblock (&gt;)</translation>
    </message>
    <message>
        <source>Ellipsis (…)</source>
        <translation>Auslassungspunkte (…)</translation>
    </message>
    <message>
        <source>Em dash (—)</source>
        <translation>Geviertstrich (—)</translation>
    </message>
    <message>
        <source>En dash (–)</source>
        <translation>Halbgeviertstrich (–)</translation>
    </message>
    <message>
        <source>Copyright (©)</source>
        <translation>Copyright (©)</translation>
    </message>
    <message>
        <source>Trademark (™)</source>
        <translation>Marke (™)</translation>
    </message>
    <message>
        <source>Registered (®)</source>
        <translation>Eingetragene Marke (®)</translation>
    </message>
    <message>
        <source>Degree (°)</source>
        <translation>Grad (°)</translation>
    </message>
    <message>
        <source>Command suggestions</source>
        <translation>Befehlsvorschläge</translation>
    </message>
</context>
<context>
    <name>parlix::ui::CompositorBinding</name>
    <message>
        <source>This desktop runs a shortcut&apos;s command when the keys are pressed, never when they are let go: the key starts and stops dictation, and push-to-talk is not available.</source>
        <translation>Diese Arbeitsumgebung führt den Befehl eines Tastenkürzels beim Drücken der Tasten aus, nie beim Loslassen: Die Taste startet und beendet das Diktat, Push-to-Talk ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Add these lines to ~/.config/sway/config, then reload sway (swaymsg reload):</source>
        <translation>Fügen Sie diese Zeilen in ~/.config/sway/config ein und laden Sie sway neu (swaymsg reload):</translation>
    </message>
    <message>
        <source>Add these lines to ~/.config/hypr/hyprland.conf (Hyprland reloads it when saved):</source>
        <translation>Fügen Sie diese Zeilen in ~/.config/hypr/hyprland.conf ein (Hyprland lädt die Datei beim Speichern neu):</translation>
    </message>
    <message>
        <source>Run these commands in a terminal to add a custom shortcut (Settings → Keyboard → Custom Shortcuts lists it afterwards):</source>
        <translation>Führen Sie diese Befehle in einem Terminal aus, um ein eigenes Tastenkürzel anzulegen (danach unter Einstellungen → Tastatur → Eigene Tastenkürzel aufgeführt):</translation>
    </message>
    <message>
        <source>In System Settings → Shortcuts, choose Add New → Command or Script, enter this command and give it the key %1:</source>
        <translation>Wählen Sie in den Systemeinstellungen unter Kurzbefehle „Neu hinzufügen → Befehl oder Skript“, geben Sie diesen Befehl ein und weisen Sie ihm die Taste %1 zu:</translation>
    </message>
    <message>
        <source>Bind a key to these commands in your compositor&apos;s configuration: toggle starts and stops dictation; for push-to-talk run start when the key is pressed and stop when it is let go.</source>
        <translation>Weisen Sie diesen Befehlen in der Konfiguration Ihres Compositors eine Taste zu: toggle startet und beendet das Diktat; für Push-to-Talk führen Sie start beim Drücken und stop beim Loslassen der Taste aus.</translation>
    </message>
</context>
<context>
    <name>parlix::ui::CompositorBindingPanel</name>
    <message>
        <source>Compositor binding</source>
        <translation>Tastenzuweisung im Compositor</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Copy the binding</source>
        <translation>Tastenzuweisung kopieren</translation>
    </message>
</context>
<context>
    <name>parlix::ui::EngineChoiceSection</name>
    <message>
        <source>Loads the model for every recording. Uses no memory between dictations.</source>
        <translation>Lädt das Modell für jede Aufnahme. Belegt zwischen Diktaten keinen Speicher.</translation>
    </message>
    <message numerus="yes">
        <source>Keeps the model in memory for quicker answers; it is unloaded after %n minute(s) without dictation.</source>
        <translation>
            <numerusform>Hält das Modell für schnellere Antworten im Speicher; es wird nach %n Minute ohne Diktat entladen.</numerusform>
            <numerusform>Hält das Modell für schnellere Antworten im Speicher; es wird nach %n Minuten ohne Diktat entladen.</numerusform>
        </translation>
    </message>
    <message>
        <source>Sends each recording to a whisper-server on another computer.</source>
        <translation>Sendet jede Aufnahme an einen whisper-server auf einem anderen Rechner.</translation>
    </message>
    <message>
        <source>&amp;Engine:</source>
        <translation>&amp;Engine:</translation>
    </message>
    <message>
        <source>optional</source>
        <translation>optional</translation>
    </message>
    <message>
        <source>Server &amp;address:</source>
        <translation>Server&amp;adresse:</translation>
    </message>
    <message>
        <source>Access &amp;token:</source>
        <translation>Zugangs&amp;token:</translation>
    </message>
    <message>
        <source>Remote server problem</source>
        <translation>Problem mit dem entfernten Server</translation>
    </message>
    <message>
        <source>Enter the address of a whisper-server, e.g. http://192.168.1.20:8080.</source>
        <translation>Geben Sie die Adresse eines whisper-servers ein, z. B. http://192.168.1.20:8080.</translation>
    </message>
    <message>
        <source>The address must start with http:// or https:// and name a host.</source>
        <translation>Die Adresse muss mit http:// oder https:// beginnen und einen Rechner nennen.</translation>
    </message>
    <message>
        <source>The access token could not be saved: %1</source>
        <translation>Das Zugangstoken konnte nicht gespeichert werden: %1</translation>
    </message>
</context>
<context>
    <name>parlix::ui::ExperimentalBadge</name>
    <message>
        <source>Experimental</source>
        <translation>Experimentell</translation>
    </message>
</context>
<context>
    <name>parlix::ui::FormattingReferenceWindow</name>
    <message>
        <source>New line</source>
        <translation>Neue Zeile</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tabulator</translation>
    </message>
    <message>
        <source>Basic</source>
        <translation>Grundlagen</translation>
    </message>
    <message>
        <source>Markdown</source>
        <translation>Markdown</translation>
    </message>
    <message>
        <source>Lists</source>
        <translation>Listen</translation>
    </message>
    <message>
        <source>Headers</source>
        <translation>Überschriften</translation>
    </message>
    <message>
        <source>Quotes</source>
        <translation>Anführungszeichen</translation>
    </message>
    <message>
        <source>Symbols</source>
        <translation>Symbole</translation>
    </message>
    <message>
        <source>Formatting Reference</source>
        <translation>Formatierungsübersicht</translation>
    </message>
</context>
<context>
    <name>parlix::ui::GeneralPage</name>
    <message>
        <source>Available</source>
        <translation>Verfügbar</translation>
    </message>
    <message>
        <source>Startup</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>&amp;Launch at Login</source>
        <translation>Beim &amp;Anmelden starten</translation>
    </message>
    <message>
        <source>Starts Parlix when you log in, through %1</source>
        <translation>Startet Parlix bei der Anmeldung, über %1</translation>
    </message>
    <message>
        <source>Notifications</source>
        <translation>Benachrichtigungen</translation>
    </message>
    <message>
        <source>Show Desktop &amp;Notifications</source>
        <translation>Desktop-&amp;Benachrichtigungen anzeigen</translation>
    </message>
    <message>
        <source>When the hotkey is unavailable and when a model download ends.</source>
        <translation>Wenn das Tastenkürzel nicht verfügbar ist und wenn ein Modell-Download endet.</translation>
    </message>
    <message>
        <source>Permissions</source>
        <translation>Berechtigungen</translation>
    </message>
    <message>
        <source>Microphone:</source>
        <translation>Mikrofon:</translation>
    </message>
    <message>
        <source>Typing into other apps:</source>
        <translation>Tippen in andere Apps:</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>Fehlersuche</translation>
    </message>
    <message>
        <source>&amp;Open Log</source>
        <translation>Protokoll ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Opens a terminal that follows Parlix&apos;s log at debug level.</source>
        <translation>Öffnet ein Terminal, das das Protokoll von Parlix auf Debug-Stufe verfolgt.</translation>
    </message>
    <message>
        <source>Could not turn on launch at login: %1</source>
        <translation>Start bei der Anmeldung konnte nicht eingeschaltet werden: %1</translation>
    </message>
    <message>
        <source>Could not turn off launch at login: %1</source>
        <translation>Start bei der Anmeldung konnte nicht ausgeschaltet werden: %1</translation>
    </message>
    <message>
        <source>No microphone found: the audio server (PipeWire or PulseAudio) is not running or has no input device.</source>
        <translation>Kein Mikrofon gefunden: Der Audioserver (PipeWire oder PulseAudio) läuft nicht oder hat kein Eingabegerät.</translation>
    </message>
    <message>
        <source>Available: %1</source>
        <translation>Verfügbar: %1</translation>
    </message>
    <message>
        <source>Not available on this desktop</source>
        <translation>In dieser Arbeitsumgebung nicht verfügbar</translation>
    </message>
    <message>
        <source>Global hotkey:</source>
        <translation>Globales Tastenkürzel:</translation>
    </message>
    <message>
        <source>%1, claimed by Parlix</source>
        <translation>%1, von Parlix belegt</translation>
    </message>
    <message>
        <source>%1, bound through the desktop&apos;s shortcut portal</source>
        <translation>%1, über das Kürzel-Portal der Arbeitsumgebung zugewiesen</translation>
    </message>
    <message>
        <source>Bound in the compositor</source>
        <translation>Im Compositor zugewiesen</translation>
    </message>
    <message>
        <source>This desktop lets no application claim a key: a key bound in its configuration runs parlixctl. Settings → Recording shows the line to add.</source>
        <translation>Diese Arbeitsumgebung lässt keine Anwendung eine Taste belegen: Eine in ihrer Konfiguration zugewiesene Taste startet parlixctl. Einstellungen → Aufnahme zeigt die Zeile dafür.</translation>
    </message>
    <message>
        <source>Waiting for the desktop…</source>
        <translation>Warte auf die Arbeitsumgebung …</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Nicht registriert</translation>
    </message>
</context>
<context>
    <name>parlix::ui::HistoryEmptyState</name>
    <message>
        <source>No results found</source>
        <translation>Keine Treffer</translation>
    </message>
    <message>
        <source>No history yet</source>
        <translation>Noch kein Verlauf</translation>
    </message>
    <message>
        <source>Try a different search term</source>
        <translation>Versuchen Sie einen anderen Suchbegriff</translation>
    </message>
    <message>
        <source>Your transcriptions will appear here</source>
        <translation>Ihre Transkriptionen erscheinen hier</translation>
    </message>
</context>
<context>
    <name>parlix::ui::HistoryItemDelegate</name>
    <message>
        <source>✓ Original</source>
        <translation>✓ Original</translation>
    </message>
    <message>
        <source>≡ Formatted</source>
        <translation>≡ Formatiert</translation>
    </message>
    <message>
        <source>Showing original (pre-formatting)</source>
        <translation>Zeigt das Original (vor der Formatierung)</translation>
    </message>
    <message>
        <source>Showing formatted text</source>
        <translation>Zeigt den formatierten Text</translation>
    </message>
    <message>
        <source>%1 words</source>
        <translation>%1 Wörter</translation>
    </message>
    <message>
        <source>1 word</source>
        <translation>1 Wort</translation>
    </message>
</context>
<context>
    <name>parlix::ui::HistoryPage</name>
    <message>
        <source>Search history...</source>
        <translation>Verlauf durchsuchen …</translation>
    </message>
    <message>
        <source>Search history</source>
        <translation>Verlauf durchsuchen</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Copy selected</source>
        <translation>Auswahl kopieren</translation>
    </message>
    <message>
        <source>Delete selected</source>
        <translation>Auswahl löschen</translation>
    </message>
    <message>
        <source>Export format</source>
        <translation>Exportformat</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>&amp;Exportieren …</translation>
    </message>
    <message>
        <source>C&amp;lear All</source>
        <translation>A&amp;lle löschen</translation>
    </message>
    <message>
        <source>%1 of %2 items</source>
        <translation>%1 von %2 Einträgen</translation>
    </message>
    <message>
        <source>Selected %1 of %2</source>
        <translation>%1 von %2 ausgewählt</translation>
    </message>
    <message>
        <source>Delete 1 item?</source>
        <translation>1 Eintrag löschen?</translation>
    </message>
    <message>
        <source>Delete %1 items?</source>
        <translation>%1 Einträge löschen?</translation>
    </message>
    <message>
        <source>This action cannot be undone.</source>
        <translation>Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Show Formatted</source>
        <translation>Formatiert anzeigen</translation>
    </message>
    <message>
        <source>Show Original</source>
        <translation>Original anzeigen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Verlauf exportieren</translation>
    </message>
    <message>
        <source>Exported %1 items to %2</source>
        <translation>%1 Einträge nach %2 exportiert</translation>
    </message>
    <message>
        <source>Could not export to %1: %2</source>
        <translation>Export nach %1 nicht möglich: %2</translation>
    </message>
</context>
<context>
    <name>parlix::ui::HotkeyRecorderButton</name>
    <message>
        <source>Hold Ctrl, Alt, Shift or Super together with the key</source>
        <translation>Halten Sie Strg, Alt, Umschalt oder Super zusammen mit der Taste</translation>
    </message>
    <message>
        <source>Global hotkey</source>
        <translation>Globales Tastenkürzel</translation>
    </message>
    <message>
        <source>Type the new combination; Escape cancels</source>
        <translation>Drücken Sie die neue Kombination; Esc bricht ab</translation>
    </message>
    <message>
        <source>This key cannot be part of a hotkey; use a letter, a digit, F1–F12, Space, Return, Tab, Backspace or Escape</source>
        <translation>Diese Taste kann nicht Teil eines Tastenkürzels sein; verwenden Sie einen Buchstaben, eine Ziffer, F1–F12, Leertaste, Eingabe, Tab, Rücktaste oder Esc</translation>
    </message>
    <message>
        <source>%1 alone is not a hotkey: press a key while holding it</source>
        <translation>%1 allein ist kein Tastenkürzel: Drücken Sie eine Taste, während Sie sie halten</translation>
    </message>
    <message>
        <source>Press new hotkey...</source>
        <translation>Neues Tastenkürzel drücken …</translation>
    </message>
</context>
<context>
    <name>parlix::ui::LogTerminal</name>
    <message>
        <source>The log goes to the standard error of the program that started Parlix; there is no file to follow.</source>
        <translation>Das Protokoll geht an die Standardfehlerausgabe des Programms, das Parlix gestartet hat; es gibt keine Datei zum Verfolgen.</translation>
    </message>
    <message>
        <source>No terminal found: install one that provides x-terminal-emulator or xdg-terminal-exec, or run: </source>
        <translation>Kein Terminal gefunden: Installieren Sie eines, das x-terminal-emulator oder xdg-terminal-exec bereitstellt, oder führen Sie aus: </translation>
    </message>
    <message>
        <source>Could not start %1.</source>
        <translation>%1 konnte nicht gestartet werden.</translation>
    </message>
</context>
<context>
    <name>parlix::ui::MaxHistoryItemsField</name>
    <message>
        <source>Forever</source>
        <translation>Unbegrenzt</translation>
    </message>
    <message>
        <source>history size</source>
        <translation>Verlaufsgröße</translation>
    </message>
    <message>
        <source>Max history items</source>
        <translation>Maximale Anzahl an Verlaufseinträgen</translation>
    </message>
</context>
<context>
    <name>parlix::ui::MicrophoneChoices</name>
    <message>
        <source>System default</source>
        <translation>Systemstandard</translation>
    </message>
    <message>
        <source>%1 (not connected)</source>
        <translation>%1 (nicht verbunden)</translation>
    </message>
</context>
<context>
    <name>parlix::ui::ModelPage</name>
    <message>
        <source>Selected Model</source>
        <translation>Ausgewähltes Modell</translation>
    </message>
    <message>
        <source>Download Models</source>
        <translation>Modelle herunterladen</translation>
    </message>
    <message>
        <source>Download error</source>
        <translation>Downloadfehler</translation>
    </message>
    <message>
        <source>Custom Model</source>
        <translation>Eigenes Modell</translation>
    </message>
    <message>
        <source>&amp;Model:</source>
        <translation>&amp;Modell:</translation>
    </message>
    <message>
        <source>Selected:</source>
        <translation>Ausgewählt:</translation>
    </message>
    <message>
        <source>No model selected - download one below</source>
        <translation>Kein Modell ausgewählt – laden Sie unten eines herunter</translation>
    </message>
    <message>
        <source>&amp;Download %1 (recommended, %2)</source>
        <translation>%1 &amp;herunterladen (empfohlen, %2)</translation>
    </message>
    <message>
        <source>&amp;Language:</source>
        <translation>&amp;Sprache:</translation>
    </message>
    <message>
        <source>English-only model selected. Switch to a multilingual model for other languages.</source>
        <translation>Nur-Englisch-Modell ausgewählt. Wechseln Sie für andere Sprachen zu einem mehrsprachigen Modell.</translation>
    </message>
    <message>
        <source>&amp;Translate to English</source>
        <translation>Ins Englische &amp;übersetzen</translation>
    </message>
    <message>
        <source>Transcribe speech in the selected language and output English text.</source>
        <translation>Erkennt Sprache in der gewählten Sprache und gibt englischen Text aus.</translation>
    </message>
    <message>
        <source>&amp;Select Custom Model...</source>
        <translation>Eigenes Modell &amp;wählen …</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>Auswahl &amp;aufheben</translation>
    </message>
    <message>
        <source>Clear the model selection</source>
        <translation>Modellauswahl aufheben</translation>
    </message>
    <message>
        <source>Choose a .bin model file (e.g., ggml-large-v3.bin)</source>
        <translation>Wählen Sie eine .bin-Modelldatei (z. B. ggml-large-v3.bin)</translation>
    </message>
    <message>
        <source>Select Whisper Model</source>
        <translation>Whisper-Modell auswählen</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <source>%1 (missing)</source>
        <translation>%1 (fehlt)</translation>
    </message>
    <message>
        <source>Engine</source>
        <translation>Engine</translation>
    </message>
</context>
<context>
    <name>parlix::ui::ModelRow</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Cancel the download of %1</source>
        <translation>Download von %1 abbrechen</translation>
    </message>
    <message>
        <source>Select %1</source>
        <translation>%1 auswählen</translation>
    </message>
    <message>
        <source>Delete model</source>
        <translation>Modell löschen</translation>
    </message>
    <message>
        <source>Delete %1</source>
        <translation>%1 löschen</translation>
    </message>
    <message>
        <source>Download %1</source>
        <translation>%1 herunterladen</translation>
    </message>
    <message>
        <source>Download model</source>
        <translation>Modell herunterladen</translation>
    </message>
    <message>
        <source>Download %1 (%2)</source>
        <translation>%1 herunterladen (%2)</translation>
    </message>
    <message>
        <source>Selected</source>
        <translation>Ausgewählt</translation>
    </message>
    <message>
        <source>Download progress of %1</source>
        <translation>Download-Fortschritt von %1</translation>
    </message>
</context>
<context>
    <name>parlix::ui::OutputPage</name>
    <message>
        <source>Output Mode</source>
        <translation>Ausgabemodus</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>Modus:</translation>
    </message>
    <message>
        <source>All transcriptions are saved to history</source>
        <translation>Alle Transkriptionen werden im Verlauf gespeichert</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Max &amp;History Items:</source>
        <translation>Max. Einträge im &amp;Verlauf:</translation>
    </message>
    <message>
        <source>View and manage history in the History tab</source>
        <translation>Verlauf ansehen und verwalten im Reiter „Verlauf“</translation>
    </message>
    <message>
        <source>Text Replacements</source>
        <translation>Textersetzungen</translation>
    </message>
    <message>
        <source>Enable text replacements</source>
        <translation>Textersetzungen aktivieren</translation>
    </message>
    <message>
        <source>%1 items in history</source>
        <translation>%1 Einträge im Verlauf</translation>
    </message>
    <message>
        <source>&amp;Add Replacement</source>
        <translation>Ersetzung &amp;hinzufügen</translation>
    </message>
</context>
<context>
    <name>parlix::ui::RecordingPage</name>
    <message>
        <source>Hotkey</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Mikrofon</translation>
    </message>
    <message>
        <source>&amp;Microphone:</source>
        <translation>&amp;Mikrofon:</translation>
    </message>
    <message>
        <source>Live Dictation</source>
        <translation>Live-Diktat</translation>
    </message>
    <message>
        <source>Silence Detection</source>
        <translation>Stille-Erkennung</translation>
    </message>
    <message>
        <source>Global &amp;Hotkey:</source>
        <translation>Globales &amp;Tastenkürzel:</translation>
    </message>
    <message>
        <source>Hotkey status</source>
        <translation>Status des Tastenkürzels</translation>
    </message>
    <message>
        <source>Recording Mode:</source>
        <translation>Aufnahmemodus:</translation>
    </message>
    <message>
        <source>Enable live dictation</source>
        <translation>Live-Diktat aktivieren</translation>
    </message>
    <message>
        <source>15 min</source>
        <translation>15 Min.</translation>
    </message>
    <message>
        <source>30 min</source>
        <translation>30 Min.</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 Stunde</translation>
    </message>
    <message>
        <source>Max &amp;duration:</source>
        <translation>Höchst&amp;dauer:</translation>
    </message>
    <message>
        <source>Transcribes and types text in real-time as you speak. Auto-stops after the selected duration to prevent excessive resource usage.</source>
        <translation>Transkribiert und tippt den Text in Echtzeit, während Sie sprechen. Stoppt nach der gewählten Dauer automatisch, um übermäßigen Ressourcenverbrauch zu vermeiden.</translation>
    </message>
    <message>
        <source>Auto-stop on &amp;silence</source>
        <translation>Bei &amp;Stille automatisch stoppen</translation>
    </message>
    <message>
        <source>silence duration</source>
        <translation>Dauer der Stille</translation>
    </message>
    <message>
        <source>Silence d&amp;uration:</source>
        <translation>Dauer der Sti&amp;lle:</translation>
    </message>
    <message>
        <source>sensitivity</source>
        <translation>Empfindlichkeit</translation>
    </message>
    <message>
        <source>Sensi&amp;tivity:</source>
        <translation>&amp;Empfindlichkeit:</translation>
    </message>
    <message>
        <source>Lower dB = more sensitive (detects quieter sounds as speech)</source>
        <translation>Niedrigere dB = empfindlicher (erkennt leisere Geräusche als Sprache)</translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
    <message>
        <source>Global hotkey set by the desktop</source>
        <translation>Von der Arbeitsumgebung festgelegtes globales Tastenkürzel</translation>
    </message>
    <message>
        <source>Global hotkey:</source>
        <translation>Globales Tastenkürzel:</translation>
    </message>
    <message>
        <source>The desktop decides the key. Change it in the desktop&apos;s keyboard shortcut settings, where Parlix lists its dictation shortcut.</source>
        <translation>Die Arbeitsumgebung bestimmt die Taste. Ändern Sie sie in den Tastenkürzel-Einstellungen der Arbeitsumgebung, wo Parlix sein Diktat-Tastenkürzel aufführt.</translation>
    </message>
    <message>
        <source>Waiting for the desktop…</source>
        <translation>Warte auf die Arbeitsumgebung …</translation>
    </message>
    <message>
        <source>Not bound</source>
        <translation>Nicht zugewiesen</translation>
    </message>
</context>
<context>
    <name>parlix::ui::ReplacementRuleRow</name>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Enable “%1”</source>
        <translation>„%1“ aktivieren</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Deaktiviert</translation>
    </message>
    <message>
        <source>Edit “%1”</source>
        <translation>„%1“ bearbeiten</translation>
    </message>
    <message>
        <source>Delete “%1”</source>
        <translation>„%1“ löschen</translation>
    </message>
</context>
<context>
    <name>parlix::ui::RuleEditDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Add Replacement</source>
        <translation>Ersetzung hinzufügen</translation>
    </message>
    <message>
        <source>Edit Replacement</source>
        <translation>Ersetzung bearbeiten</translation>
    </message>
    <message>
        <source>S&amp;poken phrase</source>
        <translation>&amp;Gesprochene Phrase</translation>
    </message>
    <message>
        <source>When I say...</source>
        <translation>Wenn ich sage …</translation>
    </message>
    <message>
        <source>&amp;Replacement text</source>
        <translation>&amp;Ersetzungstext</translation>
    </message>
    <message>
        <source>Replace with...</source>
        <translation>Ersetzen durch …</translation>
    </message>
    <message>
        <source>Problem</source>
        <translation>Problem</translation>
    </message>
    <message>
        <source>This rule holds a character that cannot be saved; remove it and try again.</source>
        <translation>Diese Regel enthält ein Zeichen, das nicht gespeichert werden kann; entfernen Sie es und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Formatting &amp;Help</source>
        <translation>Formatierungs&amp;hilfe</translation>
    </message>
</context>
<context>
    <name>parlix::ui::SettingsWindowHost</name>
    <message>
        <source>Parlix Settings</source>
        <translation>Parlix-Einstellungen</translation>
    </message>
</context>
<context>
    <name>parlix::ui::SpinningIcon</name>
    <message>
        <source>Parlix icon</source>
        <translation>Parlix-Symbol</translation>
    </message>
</context>
<context>
    <name>parlix::ui::Stepper</name>
    <message>
        <source>Increase %1</source>
        <translation>%1 erhöhen</translation>
    </message>
    <message>
        <source>Decrease %1</source>
        <translation>%1 verringern</translation>
    </message>
</context>
<context>
    <name>parlix::ui::TrayIcon</name>
    <message>
        <source>Parlix — %1</source>
        <translation>Parlix – %1</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Verlauf exportieren</translation>
    </message>
    <message>
        <source>This desktop shows no tray icons, so Parlix has none for now. Dictate with the hotkey or with parlixctl start and parlixctl stop; parlixctl settings opens the settings.</source>
        <translation>Diese Arbeitsumgebung zeigt keine Symbole im Systembereich, daher hat Parlix vorerst keines. Diktieren Sie mit dem Tastenkürzel oder mit parlixctl start und parlixctl stop; parlixctl settings öffnet die Einstellungen.</translation>
    </message>
</context>
<context>
    <name>parlix::ui::TrayMenu</name>
    <message>
        <source>Transcribing...</source>
        <translation>Transkribiere …</translation>
    </message>
    <message>
        <source>Stop Live Recording</source>
        <translation>Live-Aufnahme stoppen</translation>
    </message>
    <message>
        <source>Stop Recording</source>
        <translation>Aufnahme stoppen</translation>
    </message>
    <message>
        <source>Start Recording</source>
        <translation>Aufnahme starten</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Modell: %1</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>No models downloaded</source>
        <translation>Keine Modelle heruntergeladen</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>No history</source>
        <translation>Kein Verlauf</translation>
    </message>
    <message>
        <source>Show All History...</source>
        <translation>Gesamten Verlauf anzeigen …</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Verlauf exportieren</translation>
    </message>
    <message>
        <source>Clear History</source>
        <translation>Verlauf löschen</translation>
    </message>
    <message>
        <source>Downloading %1…</source>
        <translation>%1 wird heruntergeladen …</translation>
    </message>
    <message>
        <source>%1 %2%</source>
        <translation>%1 %2 %</translation>
    </message>
    <message>
        <source>⚠️ Hotkey %1 is unavailable — Change…</source>
        <translation>⚠️ Tastenkürzel %1 ist nicht verfügbar – Ändern …</translation>
    </message>
    <message>
        <source>⚠️ Engine Missing</source>
        <translation>⚠️ Spracherkennung fehlt</translation>
    </message>
    <message>
        <source>⚠️ No Models Downloaded</source>
        <translation>⚠️ Keine Modelle heruntergeladen</translation>
    </message>
    <message>
        <source>Update Available</source>
        <translation>Aktualisierung verfügbar</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Quit Parlix</source>
        <translation>Parlix beenden</translation>
    </message>
    <message>
        <source>Cancel Transcription</source>
        <translation>Transkription abbrechen</translation>
    </message>
    <message>
        <source>Retry Last Recording</source>
        <translation>Letzte Aufnahme erneut versuchen</translation>
    </message>
</context>
<context>
    <name>parlix::ui::UpdateDialogs</name>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Checking for updates…</source>
        <translation>Suche nach Aktualisierungen …</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>Alles aktuell!</translation>
    </message>
    <message>
        <source>Parlix %1 is currently the newest version available.</source>
        <translation>Parlix %1 ist derzeit die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>A new version of Parlix is available!</source>
        <translation>Eine neue Version von Parlix ist verfügbar!</translation>
    </message>
    <message>
        <source>Parlix %1 is now available—you have %2. Would you like to download it now?</source>
        <translation>Parlix %1 ist verfügbar – Sie haben %2. Möchten Sie die neue Version jetzt herunterladen?</translation>
    </message>
    <message>
        <source>Release Notes:</source>
        <translation>Versionshinweise:</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;%1&quot;&gt;Read the release notes&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;%1&quot;&gt;Versionshinweise lesen&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Später erinnern</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Update Error!</source>
        <translation>Fehler bei der Aktualisierung!</translation>
    </message>
</context>
</TS>
