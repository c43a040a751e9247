#pragma once

#include <QLoggingCategory>

// What the runner did, for a user's bug report: each command line, a start that failed (with the
// system's words) and how each program ended. Off unless asked for, e.g.
// QT_LOGGING_RULES="vordana.runner.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcRunner)
