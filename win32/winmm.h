// The multimedia functions the game uses, loaded at first use from the system
// folder only: WINMM is not a known DLL, so a static import would let a DLL of the
// same name placed beside the executable be loaded in its place.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

struct WinmmApi {
  decltype(&::timeBeginPeriod) timeBeginPeriod;
  decltype(&::timeEndPeriod) timeEndPeriod;
  decltype(&::timeSetEvent) timeSetEvent;
  decltype(&::timeKillEvent) timeKillEvent;
  decltype(&::PlaySoundA) PlaySoundA;
};

// Never null members: a function that cannot be loaded is replaced by one that
// reports failure and does nothing, so callers need no checks.
const WinmmApi& Winmm();
