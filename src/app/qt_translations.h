#pragma once
// Qt's own texts (the buttons of message boxes, the file dialogs, the context menu of a text
// box, the socket's error reasons) in the language of the interface. English needs nothing;
// Japanese loads Qt's catalogue from the system (Debian: qt6-translations-l10n).

#include <QString>
#include <QTranslator>

#include <memory>

// Qt's catalogue for gLanguage (0 Japanese, 1 English), loaded and ready to install; null for
// English and when the catalogue is missing. Also makes the language the default locale.
std::unique_ptr<QTranslator> qtTranslatorFor(int gLanguage);

// The folder Qt's catalogues are read from.
QString qtTranslationsFolder();
