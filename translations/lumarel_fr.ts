<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Open Lumarel</source>
        <translation>Ouvrir Lumarel</translation>
    </message>
    <message>
        <source>Quit Lumarel</source>
        <translation>Quitter Lumarel</translation>
    </message>
</context>
<context>
    <name>CameraPreviewView</name>
    <message>
        <source>Camera preview</source>
        <translation>Aperçu de la caméra</translation>
    </message>
</context>
<context>
    <name>ControlCatalogue</name>
    <message>
        <source>Brightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Post-processing brightness offset. Fine-tune after setting exposure and gain.</source>
        <translation>Correction de luminosité après la capture. À affiner une fois l’exposition et le gain réglés.</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Difference between light and dark areas. Higher values make the image more vivid but can crush shadows.</source>
        <translation>Écart entre zones claires et sombres. Des valeurs élevées rendent l’image plus vive mais peuvent boucher les ombres.</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>Color intensity. Lower values shift toward grayscale, higher values make colors more vivid.</source>
        <translation>Intensité des couleurs. Les valeurs basses tirent vers le gris, les valeurs hautes avivent les couleurs.</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Netteté</translation>
    </message>
    <message>
        <source>Edge enhancement. Too high can introduce noise and artifacts around edges.</source>
        <translation>Renforcement des contours. Trop élevée, elle peut ajouter du bruit et des artefacts le long des bords.</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>Electronic signal amplification. Brightens the image but adds noise/grain at higher values. Use sparingly.</source>
        <translation>Amplification électronique du signal. Éclaircit l’image mais ajoute du bruit aux valeurs élevées. À utiliser avec modération.</translation>
    </message>
    <message>
        <source>White Balance</source>
        <translation>Balance des blancs</translation>
    </message>
    <message>
        <source>Color temperature in Kelvin. Lower (2000-3000) = cooler/bluer, higher (5000-6500) = warmer/yellower. Turn off Auto WB first.</source>
        <translation>Température de couleur en kelvins. Plus bas (2000–3000) = plus froid/bleuté, plus haut (5000–6500) = plus chaud/jaune. Désactivez d’abord la balance des blancs auto.</translation>
    </message>
    <message>
        <source>Backlight Comp</source>
        <translation>Contre-jour</translation>
    </message>
    <message>
        <source>Helps when a bright light source is behind you. Brightens the foreground to compensate.</source>
        <translation>Utile quand une source de lumière vive se trouve derrière vous. Éclaircit le premier plan pour compenser.</translation>
    </message>
    <message>
        <source>Exposure</source>
        <translation>Exposition</translation>
    </message>
    <message>
        <source>Sensor shutter speed. Primary brightness control. Higher = brighter but may introduce motion blur. Turn off Auto Exposure first.</source>
        <translation>Vitesse d’obturation du capteur. Principal réglage de luminosité. Plus haut = plus lumineux, mais risque de flou de bougé. Désactivez d’abord l’exposition auto.</translation>
    </message>
    <message>
        <source>Focus</source>
        <translation>Mise au point</translation>
    </message>
    <message>
        <source>Manual focus distance. Turn off Auto Focus first, then adjust to get a sharp image at your sitting distance.</source>
        <translation>Distance de mise au point manuelle. Désactivez d’abord l’autofocus, puis réglez pour une image nette à votre distance habituelle.</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Digital zoom (crop + upscale). Usable range depends on capture resolution. Quality degrades at higher values.</source>
        <translation>Zoom numérique (recadrage + agrandissement). La plage utile dépend de la résolution de capture. La qualité baisse aux valeurs élevées.</translation>
    </message>
    <message>
        <source>Hue</source>
        <translation>Teinte</translation>
    </message>
    <message>
        <source>Shifts all colors around the color wheel. Usually best left at default unless correcting a specific color cast.</source>
        <translation>Fait tourner toutes les couleurs sur le cercle chromatique. Mieux vaut la laisser par défaut, sauf pour corriger une dominante précise.</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Non-linear brightness curve. Adjusts midtones without affecting pure black or white.</source>
        <translation>Courbe de luminosité non linéaire. Ajuste les tons moyens sans toucher au noir ni au blanc purs.</translation>
    </message>
    <message>
        <source>Iris</source>
        <translation>Iris</translation>
    </message>
    <message>
        <source>Controls the lens aperture. Lower = more light, shallower depth of field.</source>
        <translation>Règle l’ouverture de l’objectif. Plus bas = plus de lumière, profondeur de champ plus faible.</translation>
    </message>
    <message>
        <source>Auto White Balance</source>
        <translation>Balance des blancs auto</translation>
    </message>
    <message>
        <source>Let the camera adjust color temperature automatically. Turn off for consistent color that won&apos;t shift during calls.</source>
        <translation>La caméra règle elle-même la température de couleur. Désactivez-la pour des couleurs stables qui ne varient pas pendant les appels.</translation>
    </message>
    <message>
        <source>Auto Focus</source>
        <translation>Autofocus</translation>
    </message>
    <message>
        <source>Let the camera adjust focus automatically. Turn off if the camera hunts or you sit at a fixed distance.</source>
        <translation>La caméra fait elle-même la mise au point. Désactivez-le si elle cherche sans cesse ou si vous restez à distance fixe.</translation>
    </message>
    <message>
        <source>Auto Exposure</source>
        <translation>Exposition auto</translation>
    </message>
    <message>
        <source>Let the camera adjust exposure automatically. Turn off for manual control over exposure time and gain.</source>
        <translation>La caméra règle elle-même l’exposition. Désactivez-la pour régler à la main le temps d’exposition et le gain.</translation>
    </message>
</context>
<context>
    <name>ControlSection</name>
    <message>
        <source>Modes</source>
        <translation>Modes</translation>
    </message>
    <message>
        <source>Adjustments</source>
        <translation>Réglages</translation>
    </message>
</context>
<context>
    <name>MenuBarView</name>
    <message>
        <source>Unknown Camera</source>
        <translation>Caméra inconnue</translation>
    </message>
    <message>
        <source>%1 (port %2)</source>
        <translation>%1 (port %2)</translation>
    </message>
    <message>
        <source>USB Webcam Controls</source>
        <translation>Réglages de webcam USB</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Caméra</translation>
    </message>
    <message>
        <source>Choose a camera</source>
        <translation>Choisir une caméra</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Open at Login</source>
        <translation>Ouvrir à la connexion</translation>
    </message>
    <message>
        <source>Quit Lumarel</source>
        <translation>Quitter Lumarel</translation>
    </message>
    <message>
        <source>Camera in use by another application</source>
        <translation>Caméra utilisée par une autre application</translation>
    </message>
    <message>
        <source>Camera not available</source>
        <translation>Caméra indisponible</translation>
    </message>
    <message>
        <source>Camera not connected</source>
        <translation>Caméra non connectée</translation>
    </message>
</context>
<context>
    <name>PresetRow</name>
    <message>
        <source>Update</source>
        <translation>Mettre à jour</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Charger</translation>
    </message>
    <message>
        <source>Update %1</source>
        <translation>Mettre à jour %1</translation>
    </message>
    <message>
        <source>Load %1</source>
        <translation>Charger %1</translation>
    </message>
    <message>
        <source>Delete %1</source>
        <translation>Supprimer %1</translation>
    </message>
</context>
<context>
    <name>PresetsSection</name>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Réinitialiser</translation>
    </message>
    <message>
        <source>No saved presets</source>
        <translation>Aucun préréglage enregistré</translation>
    </message>
    <message>
        <source>Could not save presets</source>
        <translation>Impossible d’enregistrer les préréglages</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Préréglages</translation>
    </message>
    <message>
        <source>Preset name</source>
        <translation>Nom du préréglage</translation>
    </message>
    <message>
        <source>Preset name…</source>
        <translation>Nom…</translation>
    </message>
</context>
<context>
    <name>SplashView</name>
    <message>
        <source>Camera</source>
        <translation>Caméra</translation>
    </message>
    <message>
        <source>Welcome to Lumarel</source>
        <translation>Bienvenue dans Lumarel</translation>
    </message>
    <message>
        <source>Camera Control for Linux</source>
        <translation>Contrôle de caméra pour Linux</translation>
    </message>
    <message>
        <source>I built Lumarel because I wasn&apos;t happy spending money on apps just to adjust the image quality of my webcam. I hope you enjoy it.</source>
        <translation>J’ai créé Lumarel parce que je ne voulais pas payer des applications rien que pour régler la qualité d’image de ma webcam. J’espère qu’il vous plaira.</translation>
    </message>
    <message>
        <source>Look for the</source>
        <translation>Cherchez l’icône</translation>
    </message>
    <message>
        <source>icon in your system tray.</source>
        <translation>dans votre zone de notification.</translation>
    </message>
    <message>
        <source>Your desktop shows no system tray, so Lumarel opens in a window of its own.</source>
        <translation>Votre bureau n’affiche pas de zone de notification&#xa0;: Lumarel s’ouvre donc dans sa propre fenêtre.</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Commencer</translation>
    </message>
</context>
<context>
    <name>UVCController</name>
    <message>
        <source>Camera access denied: see the README on permissions</source>
        <translation>Accès à la caméra refusé&#xa0;: voir le README sur les permissions</translation>
    </message>
    <message>
        <source>Cannot find uvcc-helper or camera not connected</source>
        <translation>uvcc-helper introuvable ou caméra non connectée</translation>
    </message>
    <message>
        <source>This camera does not support UVC controls</source>
        <translation>Cette caméra ne prend pas en charge les réglages UVC</translation>
    </message>
    <message>
        <source>Could not read camera controls</source>
        <translation>Impossible de lire les réglages de la caméra</translation>
    </message>
</context>
</TS>
