// A compiler that finishes without writing its log, built for the system the tests run on;
// built with COMPILE_SECONDS, one that takes that long first.
#include <chrono>
#include <thread>

int main()
{
#ifdef COMPILE_SECONDS
    std::this_thread::sleep_for(std::chrono::seconds(COMPILE_SECONDS));
#endif
    return 0;
}
