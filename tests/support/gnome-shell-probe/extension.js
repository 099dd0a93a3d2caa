/* exported init */
// Loaded only into the tests' headless GNOME Shell (tests/support/with-gnome.sh):
// what sway's get_tree tells about windows, which GNOME keeps to itself.
const { Clutter, Gio, Meta } = imports.gi;
const Main = imports.ui.main;
const ShellDBus = imports.ui.shellDBus;

const ProbeInterface = `
<node>
  <interface name="dev.zorvi.TestProbe">
    <method name="Windows">
      <arg type="s" direction="out" name="json"/>
    </method>
  </interface>
</node>`;

class Probe {
    constructor(accelerators) {
        this._accelerators = accelerators;
    }

    // Every window with its title, frame, whether it has the keyboard and
    // whether it is done appearing; whether the overview covers them; where
    // the pointer is and over which window; the primary monitor's logical
    // geometry; the key combinations the shell runs for another program
    // (gnome-settings-daemon's custom shortcuts), as that program spelt them.
    Windows() {
        const [pointerX, pointerY] = global.get_pointer();
        const monitor = global.display.get_monitor_geometry(global.display.get_primary_monitor());
        const focus = global.display.focus_window;
        const windows = global.get_window_actors().map(actor => {
            const window = actor.meta_window;
            const frame = window.get_frame_rect();
            return {
                title: window.get_title() ?? '',
                x: frame.x, y: frame.y, width: frame.width, height: frame.height,
                focused: window === focus,
                // Input goes where a window is drawn: while the shell still
                // animates it in (or out), a click lands elsewhere.
                settled: ![Main.wm._mapping, Main.wm._resizing, Main.wm._resizePending, Main.wm._destroying]
                    .some(animating => animating.has(actor)),
            };
        });
        return JSON.stringify({
            overview: Main.overview.visible,
            pointer: [pointerX, pointerY],
            pointerWindow: this._pointerWindow(),
            monitor: { x: monitor.x, y: monitor.y, width: monitor.width, height: monitor.height },
            windows,
            accelerators: [...Main.shellDBusService?._grabbedAccelerators.keys() ?? []]
                .filter(action => this._accelerators.has(action))
                .map(action => this._accelerators.get(action)),
        });
    }

    // The window whose surface the pointer is over as the shell last picked
    // it, which is where a button press goes. It can lag behind the pointer's
    // position for a frame.
    _pointerWindow() {
        const seat = Clutter.get_default_backend().get_default_seat();
        for (let actor = global.stage.get_device_actor(seat.get_pointer(), null); actor; actor = actor.get_parent()) {
            if (actor instanceof Meta.WindowActor)
                return actor.meta_window.get_title() ?? '';
        }
        return '';
    }
}

class Extension {
    enable() {
        // The shell keeps only an action number for each combination it
        // grabbed for another program; the probe notes the combination too.
        // Extensions start before the shell's D-Bus service exists.
        const shell = ShellDBus.GnomeShell.prototype;
        const accelerators = new Map();
        this._grab = shell._grabAcceleratorForSender;
        const grab = this._grab;
        shell._grabAcceleratorForSender = function (accelerator, ...rest) {
            const action = grab.call(this, accelerator, ...rest);
            if (action !== Meta.KeyBindingAction.NONE)
                accelerators.set(action, accelerator);
            return action;
        };
        this._object = Gio.DBusExportedObject.wrapJSObject(ProbeInterface, new Probe(accelerators));
        this._object.export(Gio.DBus.session, '/dev/zorvi/TestProbe');
        this._name = Gio.DBus.session.own_name('dev.zorvi.TestProbe', Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        ShellDBus.GnomeShell.prototype._grabAcceleratorForSender = this._grab;
        Gio.DBus.session.unown_name(this._name);
        this._object.unexport();
    }
}

function init() {
    return new Extension();
}
