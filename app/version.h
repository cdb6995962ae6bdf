#pragma once

// The version the service is asked to accept and the About dialog shows.
inline constexpr char kClientVersion[] = "1.0.0";
