#include "platform/Random.h"

namespace platform {

std::tm LocalTime(std::time_t time)
{
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

} // namespace platform
