#pragma once

#include <string>

class COrvDemo;
class COrvLayer;
class COrvResource;

// The class names a demo file may hold under "Resources" and "Layers", and how each object
// is made. Null when the name is not one of them.
COrvResource* OrvCreateResourceByClass(const std::string& className);
COrvLayer* OrvCreateLayerByClass(const std::string& className, COrvDemo* pDemo);
