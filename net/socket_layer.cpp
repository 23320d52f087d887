#include "net/net_session.h"

namespace orv {

void SockShutdown() {}

}  // namespace orv
