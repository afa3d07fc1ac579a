#pragma once

// How the current context rasterises both faces of the polygons drawn next: lines
// (the wireframe modes) or filled, the default. Does nothing without a context.
void setPolygonLines(bool lines);
