#pragma once

class QCoreApplication;

namespace tarnwick {

// Loads the window's texts for the user's language: the English plural forms first, then the user's own
// language where a translation exists, and Qt's own texts (standard buttons, dialogs) in it.
void installTranslations(QCoreApplication& application);

} // namespace tarnwick
