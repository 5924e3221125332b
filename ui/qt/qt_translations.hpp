#pragma once

class QCoreApplication;

namespace tempinex::qt {

// Qt's own texts (the open-file dialog, standard buttons) in the language of the system
// locale, from the translations Qt is installed with; English where there are none. The
// translator lives as long as the application.
void InstallQtTranslations(QCoreApplication& application);

}  // namespace tempinex::qt
