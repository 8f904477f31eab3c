#pragma once

#include <QLoggingCategory>

// The program's own diagnostics on the console, apart from the agent's status list.
Q_DECLARE_LOGGING_CATEGORY(lcVelmora)
