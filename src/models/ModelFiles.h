#pragma once
// The per-user models directory and the model files in it.
#include <QString>
#include <QStringList>

namespace parlix::ModelFiles {

// $XDG_DATA_HOME/Parlix/models; not created here.
QString modelsDirectory();
// Creates the models directory when missing; failures are only logged.
void ensureModelsDirectoryExists(const QString &directory = modelsDirectory());
// Paths of the "*.bin" files (case-sensitive, hidden files skipped) in `directory`: catalogue
// files first in catalogue order, then the others in listing order. Empty on any error.
QStringList downloadedModels(const QString &directory = modelsDirectory());

} // namespace parlix::ModelFiles
