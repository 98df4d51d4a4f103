// The unsafe way to load the multimedia library: by its bare name, which searches the
// program's own folder first. The hardening case runs this beside the planted
// winmm.dll to show that its mark does appear when a program loads it that way.
#include <windows.h>

int main() { return LoadLibraryA("winmm.dll") != nullptr ? 0 : 1; }
