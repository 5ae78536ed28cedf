#include "AppLog.h"

Q_LOGGING_CATEGORY(lcApp, "com.quorvane.parlix.App")
