#pragma once

namespace quillet::platform {

// Before the application object exists: where no display can be reached at all,
// run on Qt's offscreen platform and say so on stderr.
void chooseDisplayPlatform();

} // namespace quillet::platform
