// The demo's control script, the same text as examples/demo.zentrik: zones over the virtual
// camera's standard scene.
#pragma once

namespace zentrik::cli {

extern const char* const kDemoScript;

}  // namespace zentrik::cli
