#include "errors.h"

Error::Error(QString message) : message_(std::move(message)), what_(message_.toUtf8()) {}
