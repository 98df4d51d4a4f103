// What the menu probe library and the driver agree on (see menu_probe.cpp).
#pragma once

#include <windows.h>

#include <string>

constexpr char kMenuProbeMessage[] = "ZirirarAduzoE2eMenuProbe";
constexpr char kMenuProbeLibrary[] = "menu_probe.dll";
constexpr char kMenuProbeHookName[] = "MenuProbeHook";
constexpr size_t kMenuProbeBytes = 64 * 1024;

inline std::string MenuProbeMappingName(WPARAM token) {
  return "ZirirarAduzoE2eMenuProbe." + std::to_string(static_cast<unsigned long long>(token));
}
