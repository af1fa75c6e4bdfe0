// Sources written for Windows include <Windows.h>; Wine's header is lower case.
#pragma once
#include <windows.h>
