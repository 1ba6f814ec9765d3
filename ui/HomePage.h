#pragma once
// Where the homepage label leads.

namespace gridmoor::ui {

constexpr const char* kHomepageUrl = "https://www.lapscope.example/";

}  // namespace gridmoor::ui
