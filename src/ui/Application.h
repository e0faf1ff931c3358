#pragma once

namespace tarifon {

// The application-wide settings main() makes once the application object exists.
void setUpApplication();

}  // namespace tarifon
