// The commands of the tonwell host.
#pragma once
#include <QString>
#include <QStringList>

namespace tonwellhost {
void printUsage();
int run(const QString& command, const QStringList& args);
}  // namespace tonwellhost
