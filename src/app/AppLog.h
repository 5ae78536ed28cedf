#pragma once
// The application frame's own log category: "com.quorvane.parlix.App" (launch, quit, signals,
// control requests from outside).
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
