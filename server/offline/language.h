#pragma once

namespace offline {

// The languages a request is read in and answered in.
enum class Language { English, SimplifiedChinese, TraditionalChinese };

} // namespace offline
