// Names a user's program may well declare itself, at global scope. None of them may clash
// with what the library's headers declare.
#pragma once

struct Rect {};
struct Point {};
class Exception {};
class Application {};
class Screen {};
inline int Format(int v) { return v; }
inline int Random(int v) { return v; }
inline int Now() { return 0; }
inline int Round(double v) { return int(v); }
enum { VK_LEFT = 1, VK_RIGHT = 2 };
