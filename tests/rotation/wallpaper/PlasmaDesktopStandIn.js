// Runs a Plasma desktop script, read from standard input, against stand-ins of the objects
// plasmashell's scripting API hands it, and prints what the script wrote into each desktop's
// configuration as JSON. A script that throws ends it with the error on standard error.
"use strict";

const fs = require("fs");
const vm = require("vm");

const writes = [];

// Every desktop (one per screen and activity) starts out on another wallpaper plugin, so a
// script that misses a desktop or the plugin shows in what it wrote.
function desktop(id) {
    let plugin = "org.kde.slideshow";
    let group = [];
    return {
        get wallpaperPlugin() {
            return plugin;
        },
        set wallpaperPlugin(name) {
            plugin = String(name);
        },
        get currentConfigGroup() {
            return group.slice();
        },
        set currentConfigGroup(path) {
            group = Array.from(path, String);
        },
        writeConfig(key, value) {
            writes.push({desktop: id, plugin: plugin, group: group.slice(), key: key, value: value});
        },
    };
}

const allDesktops = [desktop(0), desktop(1), desktop(2)];

try {
    vm.runInNewContext(fs.readFileSync(0, "utf8"), {desktops: () => allDesktops.slice()},
                       {filename: "wallpaper script"});
} catch (error) {
    process.stderr.write(String(error) + "\n");
    process.exit(1);
}
process.stdout.write(JSON.stringify(writes));
