// The game as a fresh start leaves it, without any GL: the tests' common starting point.
#pragma once

// Table constants, the camera at its start angle with its basis, a served puck, no scores.
void resetWorld();
