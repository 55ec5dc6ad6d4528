#pragma once

#include "app/OsLayer.h"

// Puts a layer in place of the current one for the life of the object.
class InstalledLayer {
public:
    explicit InstalledLayer(OsLayer& layer) : previous_(OsLayer::install(&layer)) {}
    ~InstalledLayer() { OsLayer::install(previous_); }
    InstalledLayer(const InstalledLayer&) = delete;
    InstalledLayer& operator=(const InstalledLayer&) = delete;

private:
    OsLayer* previous_;
};
