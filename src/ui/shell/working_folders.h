#pragma once
// The working folders beside the program and the fixed temporary files in TMP.

#include "app/app_state.h"

#include <array>

// In the order they are created.
inline constexpr std::array<const char*, 5> kWorkingFolders{"TMP", "IMAGE", "SYSTEM", "BANK",
                                                            "BANKGRP"};
// In the order they are deleted.
inline constexpr std::array<const char*, 3> kTempFiles{"tmp.bin", "tmp_2.bin", "tmp.bmp"};

// Creates each working folder that is missing; existing ones are left alone. False when one
// could not be created.
bool fncMakeFolders(const AppState& state);

// Deletes the fixed temporary files that exist; any other file in TMP stays. False when one
// of them could not be deleted.
bool fncDeleteTempFiles(const AppState& state);
