// The embedded overlay scene: its Inventor text and the steps that turn it into nodes.
// Requires: Coin's scene database already initialised (the window system's init does it).
// Does not: read files, add references to the root, or return on failure.
#pragma once

class SoInput;
class SoNode;

// Inventor ASCII 2.0: an orthographic camera, base-colour lighting, colour-map index 1
// and a 2 x 2 square at the origin.
extern const char *const overlay_scene_text;

// Points `input` at `text` and reads one root node from it. On failure writes
// "Couldn't read scene" to the console and ends through console_exit(1).
SoNode *load_overlay_scene(SoInput &input, const char *text);
