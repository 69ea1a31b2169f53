#include "update/update_check.h"

#ifndef ZEPHRIN_UPDATE_HOST
#define ZEPHRIN_UPDATE_HOST "update.zephrin.example"
#endif
#ifndef ZEPHRIN_UPDATE_PORT
#define ZEPHRIN_UPDATE_PORT 80
#endif

namespace zephrin {

int CheckForUpdateAt(const std::string& /*host*/, unsigned short /*port*/) { return -1; }

int CheckForUpdate() { return CheckForUpdateAt(ZEPHRIN_UPDATE_HOST, ZEPHRIN_UPDATE_PORT); }

}  // namespace zephrin
