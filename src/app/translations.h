#pragma once

class QCoreApplication;

// Installs Lumarel's translation for QLocale() from the embedded resource,
// and Qt's own for its standard texts when the system has it. A locale
// without a translation keeps the English texts. A later call replaces what
// an earlier one installed; widgets built before it keep their texts.
void installTranslations(QCoreApplication &app);
