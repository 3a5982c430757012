#include "address/modGetHostName.h"

#include "core/TextUtil.h"
#include "platform/Network.h"

namespace quillet {

QString GetHostName()
{
    return TrimNull(platform::hostName());
}

} // namespace quillet
