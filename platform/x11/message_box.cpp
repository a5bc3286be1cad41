#include "platform/x11/message_box.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/box_text.h"

namespace platform {

namespace {

// Lines wrap at about this many average characters: with the icon and the
// margins a box stays well inside a 640-pixel screen.
constexpr int wrapWidthChars = 60;
// No word longer than this, so that a shortened path still fits on one line.
constexpr std::size_t longestWord = 50;
constexpr int spacing = 12;  // pixels between and around the icon and the text
// Kept free of text on the screen's height: the button row, the margins and a
// desktop's title bar. Taller text scrolls.
constexpr int reservedHeight = 120;
// Waits go in steps of 10 ms: for a box to come up under a window manager,
// 2 s at most; for a window manager to see a new screen size, 1 s at most.
constexpr gulong waitStepMicroseconds = 10000;
constexpr int mapWaitSteps = 200;
constexpr int screenWaitSteps = 100;
// GTK aborts the process when a descriptor runs out half-way through a box
// (an icon it cannot open, measured at 13 open in all): a box needs this many
// free, or its text goes to standard error instead.
constexpr int descriptorsForABox = 8;

const char* iconName(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::warning: return "dialog-warning";
        case BoxIcon::error: return "dialog-error";
        default: return "dialog-information";
    }
}

bool enoughDescriptors() {
    int taken[descriptorsForABox];
    int count = 0;
    while (count < descriptorsForABox && (taken[count] = dup(STDERR_FILENO)) >= 0) ++count;
    for (int i = 0; i < count; ++i) close(taken[i]);
    return count == descriptorsForABox;
}

enum class Toolkit { untried, ready, unavailable };
Toolkit toolkit = Toolkit::untried;
// A native Wayland show's boxes are Wayland windows too, placed by the
// compositor: no client can place them there.
bool onWayland = false;

// X calls one error handler for every connection of the process. GDK's
// ignores errors on connections not its own; the show's (SDL's) ends the
// process. Each keeps its own.
Display* toolkitDisplay = nullptr;
XErrorHandler toolkitErrorHandler = nullptr;
XErrorHandler showErrorHandler = nullptr;
int onXError(Display* display, XErrorEvent* error) {
    const XErrorHandler handler = display == toolkitDisplay ? toolkitErrorHandler : showErrorHandler;
    return handler ? handler(display, error) : 0;
}

// GTK announces every dialog without a parent window; the show's boxes have
// none by design.
void onToolkitMessage(const char* domain, GLogLevelFlags level, const char* message, gpointer) {
    if (std::strstr(message, "without a transient parent") == nullptr)
        g_log_default_handler(domain, level, message, nullptr);
}

bool startToolkit() {
    if (toolkit != Toolkit::untried) return toolkit == Toolkit::ready;
    toolkit = Toolkit::unavailable;
    // The show's texts are UTF-8 whatever the locale, and nothing else in the
    // process may change with the toolkit.
    gtk_disable_setlocale();
    // The show's own window system, whatever the environment asks of GTK.
    setenv("GDK_BACKEND", onWayland ? "wayland" : "x11", 1);
    // Without a session bus the accessibility bridge only complains on
    // standard error (or starts a bus of its own that outlives the show).
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) setenv("NO_AT_BRIDGE", "1", 1);
    showErrorHandler = XSetErrorHandler(nullptr);
    XSetErrorHandler(showErrorHandler);
    const XIOErrorHandler showIOErrorHandler = XSetIOErrorHandler(nullptr);
    XSetIOErrorHandler(showIOErrorHandler);
    if (!gtk_init_check(nullptr, nullptr)) return false;
    g_log_set_handler("Gtk", G_LOG_LEVEL_MESSAGE, onToolkitMessage, nullptr);
    toolkit = Toolkit::ready;
    if (onWayland) return true;
    toolkitDisplay = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    toolkitErrorHandler = XSetErrorHandler(onXError);
    // A lost server ends the show as it did before the toolkit came.
    XSetIOErrorHandler(showIOErrorHandler);
    return true;
}

// Takes what the X server told the toolkit meanwhile (a display-mode switch
// moves the monitors) and sends what it queued.
void catchUp() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    gdk_display_flush(gdk_display_get_default());
}

GtkWidget* newBox(const char* text, const char* caption, BoxIcon icon, int maxTextHeight) {
    GtkWidget* box = gtk_dialog_new_with_buttons(caption, nullptr, GTK_DIALOG_MODAL, "OK",
                                                 GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    GtkWidget* ok = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    gtk_widget_set_margin_end(ok, spacing / 2);
    gtk_widget_set_margin_bottom(ok, spacing / 2);
    gtk_window_set_resizable(GTK_WINDOW(box), FALSE);
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, spacing);
    gtk_container_set_border_width(GTK_CONTAINER(row), spacing);
    GtkWidget* image = gtk_image_new_from_icon_name(iconName(icon), GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(image, GTK_ALIGN_START);

    const std::string fitted = fitBoxText(text, longestWord);
    GtkWidget* label = gtk_label_new(fitted.c_str());
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(label), wrapWidthChars);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_yalign(GTK_LABEL(label), 0);

    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scroller), maxTextHeight);
    gtk_container_add(GTK_CONTAINER(scroller), label);

    gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), scroller, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(box))), row, TRUE, TRUE, 0);
    gtk_widget_show_all(row);
    return box;
}

// The monitor that holds the point, as the server has it now: the toolkit's
// own idea may lag behind a switch of the display mode.
GdkRectangle monitorAt(int x, int y) {
    GdkRectangle found{0, 0, 640, 480};  // the show's own screen, should X name no monitor
    if (GdkMonitor* monitor = gdk_display_get_monitor_at_point(gdk_display_get_default(), x, y))
        gdk_monitor_get_geometry(monitor, &found);
    int count = 0, eventBase = 0, errorBase = 0;
    // Asked only where RandR is, lest Xlib complain on standard error.
    if (!XRRQueryExtension(toolkitDisplay, &eventBase, &errorBase)) return found;
    if (XRRMonitorInfo* monitors = XRRGetMonitors(toolkitDisplay, DefaultRootWindow(toolkitDisplay), True, &count)) {
        for (int i = 0; i < count; ++i) {
            const XRRMonitorInfo& m = monitors[i];
            if (x >= m.x && y >= m.y && x < m.x + m.width && y < m.y + m.height) {
                found = {m.x, m.y, m.width, m.height};
                break;
            }
        }
        XRRFreeMonitors(monitors);
    }
    return found;
}

// The window manager places a box by its own idea of the screen, which it
// takes in some time after a display-mode switch (KWin a few tenths of a
// second): true once the size it announces is the screen's, or when it
// announces none.
bool windowManagerSeesScreen() {
    const Atom announced = XInternAtom(toolkitDisplay, "_NET_DESKTOP_GEOMETRY", True);
    if (announced == None) return true;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const ::Window root = DefaultRootWindow(toolkitDisplay);
    if (XGetWindowProperty(toolkitDisplay, root, announced, 0, 2, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) != Success)
        return true;
    bool sees = true;
    XWindowAttributes screen;
    if (data != nullptr && format == 32 && count == 2 && XGetWindowAttributes(toolkitDisplay, root, &screen)) {
        const long* size = reinterpret_cast<const long*>(data);
        sees = size[0] == screen.width && size[1] == screen.height;
    }
    if (data != nullptr) XFree(data);
    return sees;
}

// Called when the server has mapped the box, by then framed and placed by the
// window manager (GTK counts it mapped as soon as it asks).
gboolean onMapped(GtkWidget*, GdkEvent*, gpointer shown) {
    *static_cast<bool*>(shown) = true;
    return FALSE;
}

// The box's frame as the server has it now: the box's own place and the
// window manager's frame around it (_NET_FRAME_EXTENTS); false while the
// window manager has not framed it, or not yet shown the frame.
bool frameOf(GtkWidget* box, GdkRectangle& frame) {
    const ::Window window = GDK_WINDOW_XID(gtk_widget_get_window(box));
    const ::Window root = DefaultRootWindow(toolkitDisplay);
    const Atom extentsName = XInternAtom(toolkitDisplay, "_NET_FRAME_EXTENTS", False);
    GdkDisplay* display = gdk_display_get_default();
    gdk_x11_display_error_trap_push(display);
    XWindowAttributes attributes;
    int x = 0, y = 0;
    ::Window child = None;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool known = XGetWindowAttributes(toolkitDisplay, window, &attributes) &&
                 attributes.map_state == IsViewable &&
                 XTranslateCoordinates(toolkitDisplay, window, root, 0, 0, &x, &y, &child) &&
                 XGetWindowProperty(toolkitDisplay, window, extentsName, 0, 4, False, XA_CARDINAL, &type,
                                    &format, &count, &after, &data) == Success &&
                 data != nullptr && format == 32 && count == 4;
    if (known) {
        const long* extents = reinterpret_cast<const long*>(data);  // left, right, top, bottom
        frame = {static_cast<int>(x - extents[0]), static_cast<int>(y - extents[2]),
                 static_cast<int>(attributes.width + extents[0] + extents[1]),
                 static_cast<int>(attributes.height + extents[2] + extents[3])};
    }
    if (data != nullptr) XFree(data);
    return gdk_x11_display_error_trap_pop(display) == 0 && known;
}

// Some window managers (openbox) place a box off by a part of its frame: it
// is asked to move by what is off, from where it was asked to stand (at x, y),
// which they take the same way.
void recentre(GtkWidget* box, const GdkRectangle& monitor, int x, int y) {
    GdkRectangle frame;
    if (!frameOf(box, frame)) return;
    const int dx = frame.x - (monitor.x + std::max(0, (monitor.width - frame.width) / 2));
    const int dy = frame.y - (monitor.y + std::max(0, (monitor.height - frame.height) / 2));
    // A pixel off is the halving of an odd size.
    if (std::abs(dx) > 1 || std::abs(dy) > 1) gtk_window_move(GTK_WINDOW(box), x - dx, y - dy);
}

void runBox(GtkWidget* box) {
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    // Gone from the screen before the show goes on.
    catchUp();
}

}  // namespace

void boxesOnWayland() { onWayland = true; }

void showMessageBox(const char* text, const char* caption, BoxIcon icon, const ScreenArea* over) {
    if (!enoughDescriptors()) {
        std::fprintf(stderr, "kelvora: too few file descriptors free for a box (ulimit -n): %s: %s\n",
                     caption, text);
        return;
    }
    if (!startToolkit()) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    catchUp();
    if (onWayland) {
        GdkRectangle monitor{0, 0, 640, 480};
        if (GdkMonitor* first = gdk_display_get_monitor(gdk_display_get_default(), 0))
            gdk_monitor_get_geometry(first, &monitor);
        return runBox(newBox(text, caption, icon, std::max(monitor.height - reservedHeight, spacing)));
    }
    for (int wait = 0; wait < screenWaitSteps && !windowManagerSeesScreen(); ++wait)
        g_usleep(waitStepMicroseconds);
    // The monitor under the middle of the show's window, else the one at the
    // screen's origin, where the show stands.
    const GdkRectangle monitor =
        over ? monitorAt(over->x + over->width / 2, over->y + over->height / 2) : monitorAt(0, 0);

    GtkWidget* box = newBox(text, caption, icon, std::max(monitor.height - reservedHeight, spacing));
    GtkRequisition size;
    gtk_widget_get_preferred_size(box, nullptr, &size);
    const int x = monitor.x + std::max(0, (monitor.width - size.width) / 2);
    const int y = monitor.y + std::max(0, (monitor.height - size.height) / 2);
    // The window manager then puts the middle of its frame (title bar and
    // borders) where the box's middle would be, rather than its top left.
    gtk_window_set_gravity(GTK_WINDOW(box), GDK_GRAVITY_CENTER);
    gtk_window_move(GTK_WINDOW(box), x, y);
    bool shown = false;
    g_signal_connect(box, "map-event", G_CALLBACK(onMapped), &shown);
    gtk_widget_show(box);
    for (int wait = 0; wait < mapWaitSteps && !shown; ++wait) {
        g_usleep(waitStepMicroseconds);
        catchUp();
    }
    if (shown) recentre(box, monitor, x, y);
    runBox(box);
}

}  // namespace platform
