// The layer shell's generated client code, whose request for a layer
// surface names a parameter `namespace`, a C++ keyword: renamed while it is
// read.
#pragma once

#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client.h"
#undef namespace
