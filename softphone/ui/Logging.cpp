#include "Logging.h"

Q_LOGGING_CATEGORY(lcVelmora, "velmora")
