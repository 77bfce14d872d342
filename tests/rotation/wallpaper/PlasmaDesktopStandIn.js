// Runs a Plasma desktop script from standard input against stand-ins of the desktops that
// plasmashell's scripting API hands it, and prints as JSON what the script wrote into each
// desktop's configuration. A script that throws ends it with the error on standard error.
"use strict";

const writes = [];

// Every desktop (one per screen and activity) starts out on another wallpaper plugin, so a
// script that misses a desktop or the plugin shows in what it wrote. Like Plasma's, the
// configuration group is copied in and out.
function desktop(id, screen) {
    let group = [];
    return {
        screen,
        wallpaperPlugin: "org.kde.slideshow",
        get currentConfigGroup() { return group.slice(); },
        set currentConfigGroup(path) { group = Array.from(path, String); },
        writeConfig(key, value) {
            writes.push({desktop: id, plugin: String(this.wallpaperPlugin), group, key, value});
        },
    };
}

try {
    // Two screens, the second one left of the first; the third desktop is the first
    // screen's in another activity.
    const desktops = [desktop(0, 0), desktop(1, 1), desktop(2, 0)];
    const screens = [{x: 1920, y: 0, width: 1920, height: 1080}, {x: 0, y: 0, width: 1280, height: 1024}];
    require("vm").runInNewContext(require("fs").readFileSync(0, "utf8"),
                                  {desktops: () => desktops.slice(), screenGeometry: (s) => screens[s]});
} catch (error) {
    process.stderr.write(String(error) + "\n");
    process.exit(1);
}
process.stdout.write(JSON.stringify(writes));
