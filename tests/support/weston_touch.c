/* A weston module that gives the seat a touch screen the tests drive, and the close gesture of a
 * phone's shell. Each line written to the FIFO named by RINKSLIDER_TOUCH_FIFO is one event, with
 * positions in pixels of the first output's picture:
 *   down ID X Y, motion ID X Y, up ID, frame, cancel
 *   close: asks the toplevel that has the keyboard to close (xdg_toplevel.close) */
#include <weston.h>

#include <libweston-desktop/libweston-desktop.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

/* Exported by libweston 10 for its back ends, declared only in its private headers. */
int weston_seat_init_touch(struct weston_seat *seat);
struct weston_touch_device *weston_touch_create_touch_device(struct weston_touch *touch, const char *syspath,
                                                             void *backend_data,
                                                             const struct weston_touch_device_ops *ops);
void notify_touch_normalized(struct weston_touch_device *device, const struct timespec *time, int touch_id, double x,
                             double y, const struct weston_point2d_device_normalized *norm, int touch_type);
void notify_touch_frame(struct weston_touch_device *device);
void notify_touch_cancel(struct weston_touch_device *device);

struct TouchScreen {
    struct weston_compositor *compositor;
    struct weston_seat *seat;
    struct weston_touch_device *device;
    char pending[4096]; /* what was read of a line not yet ended */
    size_t length;
};

static struct TouchScreen screen;

/* A point of the first output's picture in the compositor's global coordinates; as it is before
 * the output is there. */
static void toGlobal(double px, double py, double *x, double *y)
{
    struct weston_output *output = wl_container_of(screen.compositor->output_list.next, output, link);
    int empty = wl_list_empty(&screen.compositor->output_list);
    int scale = !empty && output->current_scale > 0 ? output->current_scale : 1;
    *x = (empty ? 0 : output->x) + px / scale;
    *y = (empty ? 0 : output->y) + py / scale;
}

static void closeFocusedToplevel(void)
{
    struct weston_keyboard *keyboard = weston_seat_get_keyboard(screen.seat);
    struct weston_desktop_surface *toplevel =
        keyboard && keyboard->focus ? weston_surface_get_desktop_surface(keyboard->focus) : NULL;
    if (toplevel)
        weston_desktop_surface_close(toplevel);
}

/* The shell takes the fingers for a gesture of its own. Weston 10's own grab tells no client of it,
 * so the client the fingers are on is told here, as a shell's gesture does. */
static void cancelTouch(void)
{
    struct weston_touch *touch = weston_seat_get_touch(screen.seat);
    struct wl_resource *resource;
    notify_touch_cancel(screen.device);
    wl_resource_for_each(resource, &touch->focus_resource_list)
        wl_touch_send_cancel(resource);
}

/* Weston 10 leaves a synchronized sub-surface's input region as it first was, whatever the client
 * commits later: libdecor's shadow around a dialog would take every touch over the dialog. The
 * regions last set are applied before a finger goes down, as a compositor that honours them has. */
static void applyInputRegions(void)
{
    struct weston_view *view;
    wl_list_for_each(view, &screen.compositor->view_list, link) {
        struct weston_surface *surface = view->surface;
        pixman_region32_intersect_rect(&surface->input, &surface->pending.input, 0, 0, surface->width,
                                       surface->height);
    }
}

/* Carries out one line of the FIFO; what it cannot read goes to weston's log. */
static void runLine(const char *line)
{
    struct timespec now;
    int id;
    double px, py, x, y;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (sscanf(line, "down %d %lf %lf", &id, &px, &py) == 3) {
        toGlobal(px, py, &x, &y);
        applyInputRegions();
        notify_touch_normalized(screen.device, &now, id, x, y, NULL, WL_TOUCH_DOWN);
    } else if (sscanf(line, "motion %d %lf %lf", &id, &px, &py) == 3) {
        toGlobal(px, py, &x, &y);
        notify_touch_normalized(screen.device, &now, id, x, y, NULL, WL_TOUCH_MOTION);
    } else if (sscanf(line, "up %d", &id) == 1) {
        notify_touch_normalized(screen.device, &now, id, 0, 0, NULL, WL_TOUCH_UP);
    } else if (strcmp(line, "frame") == 0) {
        notify_touch_frame(screen.device);
    } else if (strcmp(line, "cancel") == 0) {
        cancelTouch();
    } else if (strcmp(line, "close") == 0) {
        closeFocusedToplevel();
    } else {
        weston_log("touch screen: cannot read \"%s\"\n", line);
    }
}

/* Reads what the tests wrote and carries out each whole line. */
static int onReadable(int fd, uint32_t mask, void *data)
{
    (void)mask;
    (void)data;
    ssize_t got = read(fd, screen.pending + screen.length, sizeof screen.pending - 1 - screen.length);
    if (got <= 0)
        return 0;
    screen.length += (size_t)got;
    screen.pending[screen.length] = 0;
    char *line = screen.pending, *end;
    while ((end = strchr(line, '\n'))) {
        *end = 0;
        runLine(line);
        line = end + 1;
    }
    screen.length = strlen(line);
    memmove(screen.pending, line, screen.length);
    /* A line longer than the buffer is no event: it is dropped. */
    if (screen.length == sizeof screen.pending - 1)
        screen.length = 0;
    return 0;
}

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[])
{
    (void)argc;
    (void)argv;
    const char *path = getenv("RINKSLIDER_TOUCH_FIFO");
    if (!path || wl_list_empty(&compositor->seat_list)) {
        weston_log("touch screen: needs RINKSLIDER_TOUCH_FIFO and a seat\n");
        return -1;
    }
    if (mkfifo(path, 0600) != 0 && errno != EEXIST) {
        weston_log("touch screen: cannot make %s: %s\n", path, strerror(errno));
        return -1;
    }
    /* Open for writing too, so the FIFO never ends while no test has it open. */
    int fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        weston_log("touch screen: cannot open %s: %s\n", path, strerror(errno));
        return -1;
    }
    screen.compositor = compositor;
    screen.seat = wl_container_of(compositor->seat_list.next, screen.seat, link);
    weston_seat_init_touch(screen.seat);
    screen.device = weston_touch_create_touch_device(weston_seat_get_touch(screen.seat), "rinkslider-test-touch",
                                                     NULL, NULL);
    wl_event_loop_add_fd(wl_display_get_event_loop(compositor->wl_display), fd, WL_EVENT_READABLE, onReadable, NULL);
    return screen.device ? 0 : -1;
}
