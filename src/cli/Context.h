#pragma once
// The user's settings as the app sees them, for subcommands that need them. Changes made by a
// subcommand (its flags) stay in this process unless it asks for the persistent store.
#include "core/JsonFileKeyValueStore.h"
#include "core/OverlayKeyValueStore.h"
#include "core/SettingsModel.h"

namespace parlix::cli {

struct Context {
    Context();
    JsonFileKeyValueStore userStore;
    OverlayKeyValueStore scratch;
    SettingsModel settings;
};

} // namespace parlix::cli
