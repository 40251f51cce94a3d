#pragma once

// Makes the program's pictures (button faces, logo, icons) available as ":/images/…". The
// resources live in a static library, so the program and the tests call this once.
void InitQuintalevaResources();
