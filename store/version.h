// The product's version, in one place: read by every program's VERSIONINFO and by the code.
#pragma once

#define TARNWICK_VERSION_MAJOR 1
#define TARNWICK_VERSION_MINOR 6
#define TARNWICK_VERSION_PATCH 0
#define TARNWICK_VERSION_TEXT "1.6.0"
#define TARNWICK_COMPANY "Mereval Software"
#define TARNWICK_PRODUCT "Tarnwick"
