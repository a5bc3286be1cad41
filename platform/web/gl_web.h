// The show's fixed-function OpenGL 1.1 and GLU calls, on WebGL 1. The calls
// themselves keep their standard names (declared by <GL/gl.h> and <GL/glu.h>);
// what the web backend calls besides them is here.
#pragma once

namespace glweb {

// Once the WebGL 1 context is current: builds the shaders and sets OpenGL
// 1.1's initial state. False (with a line on stderr) when the context lacks
// something the layer needs.
bool start();

// Draws everything gathered so far. The backend calls it before the browser
// presents the frame.
void flush();

}  // namespace glweb
