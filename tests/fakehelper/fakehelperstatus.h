#pragma once

// The exit status lumarel_fake_helper ends with when its script is broken
// rather than scripted to fail: a fixture file named by CMD.fixture cannot
// be read. Scripts do not use it as CMD.exit, so a test sees which it is.
inline constexpr int kFakeHelperBrokenScript = 125;
