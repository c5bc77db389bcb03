<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Open Lumarel</source>
        <translation>Lumarel öffnen</translation>
    </message>
    <message>
        <source>Quit Lumarel</source>
        <translation>Lumarel beenden</translation>
    </message>
</context>
<context>
    <name>CameraPreviewView</name>
    <message>
        <source>Camera preview</source>
        <translation>Kameravorschau</translation>
    </message>
</context>
<context>
    <name>ControlCatalogue</name>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Post-processing brightness offset. Fine-tune after setting exposure and gain.</source>
        <translation>Helligkeitsausgleich in der Nachbearbeitung. Zum Feinabstimmen, wenn Belichtung und Verstärkung eingestellt sind.</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Difference between light and dark areas. Higher values make the image more vivid but can crush shadows.</source>
        <translation>Unterschied zwischen hellen und dunklen Bereichen. Höhere Werte machen das Bild lebendiger, können aber Schatten absaufen lassen.</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Sättigung</translation>
    </message>
    <message>
        <source>Color intensity. Lower values shift toward grayscale, higher values make colors more vivid.</source>
        <translation>Farbintensität. Niedrigere Werte gehen in Richtung Graustufen, höhere machen die Farben kräftiger.</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Schärfe</translation>
    </message>
    <message>
        <source>Edge enhancement. Too high can introduce noise and artifacts around edges.</source>
        <translation>Kantenanhebung. Zu hohe Werte können Rauschen und Artefakte an Kanten erzeugen.</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>Verstärkung</translation>
    </message>
    <message>
        <source>Electronic signal amplification. Brightens the image but adds noise/grain at higher values. Use sparingly.</source>
        <translation>Elektronische Signalverstärkung. Hellt das Bild auf, fügt bei höheren Werten aber Rauschen hinzu. Sparsam einsetzen.</translation>
    </message>
    <message>
        <source>White Balance</source>
        <translation>Weißabgleich</translation>
    </message>
    <message>
        <source>Color temperature in Kelvin. Lower (2000-3000) = cooler/bluer, higher (5000-6500) = warmer/yellower. Turn off Auto WB first.</source>
        <translation>Farbtemperatur in Kelvin. Niedriger (2000–3000) = kühler/bläulicher, höher (5000–6500) = wärmer/gelblicher. Zuerst den Auto-Weißabgleich ausschalten.</translation>
    </message>
    <message>
        <source>Backlight Comp</source>
        <translation>Gegenlichtausgleich</translation>
    </message>
    <message>
        <source>Helps when a bright light source is behind you. Brightens the foreground to compensate.</source>
        <translation>Hilft, wenn hinter Ihnen eine helle Lichtquelle ist. Hellt zum Ausgleich den Vordergrund auf.</translation>
    </message>
    <message>
        <source>Exposure</source>
        <translation>Belichtung</translation>
    </message>
    <message>
        <source>Sensor shutter speed. Primary brightness control. Higher = brighter but may introduce motion blur. Turn off Auto Exposure first.</source>
        <translation>Verschlusszeit des Sensors. Wichtigster Helligkeitsregler. Höher = heller, kann aber Bewegungsunschärfe verursachen. Zuerst die Belichtungsautomatik ausschalten.</translation>
    </message>
    <message>
        <source>Focus</source>
        <translation>Fokus</translation>
    </message>
    <message>
        <source>Manual focus distance. Turn off Auto Focus first, then adjust to get a sharp image at your sitting distance.</source>
        <translation>Manueller Fokusabstand. Zuerst den Autofokus ausschalten, dann so einstellen, dass das Bild in Ihrem Sitzabstand scharf ist.</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Digital zoom (crop + upscale). Usable range depends on capture resolution. Quality degrades at higher values.</source>
        <translation>Digitaler Zoom (Ausschnitt + Hochskalierung). Der nutzbare Bereich hängt von der Aufnahmeauflösung ab. Höhere Werte kosten Bildqualität.</translation>
    </message>
    <message>
        <source>Hue</source>
        <translation>Farbton</translation>
    </message>
    <message>
        <source>Shifts all colors around the color wheel. Usually best left at default unless correcting a specific color cast.</source>
        <translation>Verschiebt alle Farben auf dem Farbkreis. Meist am besten auf dem Standardwert lassen, außer um einen bestimmten Farbstich zu korrigieren.</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Non-linear brightness curve. Adjusts midtones without affecting pure black or white.</source>
        <translation>Nichtlineare Helligkeitskurve. Passt die Mitteltöne an, ohne reines Schwarz oder Weiß zu verändern.</translation>
    </message>
    <message>
        <source>Iris</source>
        <translation>Blende</translation>
    </message>
    <message>
        <source>Controls the lens aperture. Lower = more light, shallower depth of field.</source>
        <translation>Steuert die Blendenöffnung des Objektivs. Niedriger = mehr Licht, geringere Schärfentiefe.</translation>
    </message>
    <message>
        <source>Auto White Balance</source>
        <translation>Auto-Weißabgleich</translation>
    </message>
    <message>
        <source>Let the camera adjust color temperature automatically. Turn off for consistent color that won&apos;t shift during calls.</source>
        <translation>Die Kamera passt die Farbtemperatur selbst an. Ausschalten für gleichbleibende Farben, die sich während Anrufen nicht verändern.</translation>
    </message>
    <message>
        <source>Auto Focus</source>
        <translation>Autofokus</translation>
    </message>
    <message>
        <source>Let the camera adjust focus automatically. Turn off if the camera hunts or you sit at a fixed distance.</source>
        <translation>Die Kamera stellt selbst scharf. Ausschalten, wenn sie ständig nachfokussiert oder Sie in festem Abstand sitzen.</translation>
    </message>
    <message>
        <source>Auto Exposure</source>
        <translation>Belichtungsautomatik</translation>
    </message>
    <message>
        <source>Let the camera adjust exposure automatically. Turn off for manual control over exposure time and gain.</source>
        <translation>Die Kamera passt die Belichtung selbst an. Ausschalten, um Belichtungszeit und Verstärkung von Hand einzustellen.</translation>
    </message>
</context>
<context>
    <name>ControlSection</name>
    <message>
        <source>Modes</source>
        <translation>Modi</translation>
    </message>
    <message>
        <source>Adjustments</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>MenuBarView</name>
    <message>
        <source>Unknown Camera</source>
        <translation>Unbekannte Kamera</translation>
    </message>
    <message>
        <source>%1 (port %2)</source>
        <translation>%1 (Anschluss %2)</translation>
    </message>
    <message>
        <source>USB Webcam Controls</source>
        <translation>USB-Webcam-Steuerung</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Choose a camera</source>
        <translation>Kamera wählen</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Open at Login</source>
        <translation>Beim Anmelden öffnen</translation>
    </message>
    <message>
        <source>Quit Lumarel</source>
        <translation>Lumarel beenden</translation>
    </message>
    <message>
        <source>Camera in use by another application</source>
        <translation>Kamera wird von einer anderen Anwendung verwendet</translation>
    </message>
    <message>
        <source>Camera not available</source>
        <translation>Kamera nicht verfügbar</translation>
    </message>
    <message>
        <source>Camera not connected</source>
        <translation>Kamera nicht verbunden</translation>
    </message>
</context>
<context>
    <name>PresetRow</name>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Update %1</source>
        <translation>%1 aktualisieren</translation>
    </message>
    <message>
        <source>Load %1</source>
        <translation>%1 laden</translation>
    </message>
    <message>
        <source>Delete %1</source>
        <translation>%1 löschen</translation>
    </message>
</context>
<context>
    <name>PresetsSection</name>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>No saved presets</source>
        <translation>Keine gespeicherten Voreinstellungen</translation>
    </message>
    <message>
        <source>Could not save presets</source>
        <translation>Voreinstellungen konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Voreinstellungen</translation>
    </message>
    <message>
        <source>Preset name</source>
        <translation>Name der Voreinstellung</translation>
    </message>
    <message>
        <source>Preset name…</source>
        <translation>Name…</translation>
    </message>
</context>
<context>
    <name>SplashView</name>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Welcome to Lumarel</source>
        <translation>Willkommen bei Lumarel</translation>
    </message>
    <message>
        <source>Camera Control for Linux</source>
        <translation>Kamerasteuerung für Linux</translation>
    </message>
    <message>
        <source>I built Lumarel because I wasn&apos;t happy spending money on apps just to adjust the image quality of my webcam. I hope you enjoy it.</source>
        <translation>Ich habe Lumarel gebaut, weil ich kein Geld für Apps ausgeben wollte, nur um die Bildqualität meiner Webcam einzustellen. Ich hoffe, es gefällt Ihnen.</translation>
    </message>
    <message>
        <source>Look for the</source>
        <translation>Suchen Sie das</translation>
    </message>
    <message>
        <source>icon in your system tray.</source>
        <translation>Symbol in Ihrer Systemleiste.</translation>
    </message>
    <message>
        <source>Your desktop shows no system tray, so Lumarel opens in a window of its own.</source>
        <translation>Ihr Desktop zeigt keine Systemleiste, daher öffnet sich Lumarel in einem eigenen Fenster.</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Los geht’s</translation>
    </message>
</context>
<context>
    <name>UVCController</name>
    <message>
        <source>Camera access denied: see the README on permissions</source>
        <translation>Kein Zugriff auf die Kamera: siehe README zu Berechtigungen</translation>
    </message>
    <message>
        <source>Cannot find uvcc-helper or camera not connected</source>
        <translation>uvcc-helper nicht gefunden oder Kamera nicht verbunden</translation>
    </message>
    <message>
        <source>This camera does not support UVC controls</source>
        <translation>Diese Kamera unterstützt keine UVC-Steuerung</translation>
    </message>
    <message>
        <source>Could not read camera controls</source>
        <translation>Kameraeinstellungen konnten nicht gelesen werden</translation>
    </message>
</context>
</TS>
