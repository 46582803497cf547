#include "platform/Random.h"

namespace platform {

std::tm LocalTime(std::time_t time)
{
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

} // namespace platform
