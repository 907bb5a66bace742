/* W3 "picture" with cairo's PDF surface: one page holding picture.png, decoded by cairo and
 * written by its PDF surface as a Flate-compressed RGB image. cairo's user space has y pointing
 * down: the box x 36..576, y 396..756 starts at 792 - 756 = 36 from the top.
 * Usage: cairo_w3 INPUTS_DIR OUT.pdf */
#include <cairo-pdf.h>
#include <cairo.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s INPUTS_DIR OUT.pdf\n", argv[0]);
        return 2;
    }
    char path[4096];
    snprintf(path, sizeof path, "%s/picture.png", argv[1]);
    cairo_surface_t *image = cairo_image_surface_create_from_png(path);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "%s: %s\n", path, cairo_status_to_string(cairo_surface_status(image)));
        return 1;
    }
    cairo_surface_t *surface = cairo_pdf_surface_create(argv[2], 612, 792);
    cairo_t *cr = cairo_create(surface);
    cairo_translate(cr, 36, 792 - 756);
    cairo_scale(cr, 540.0 / cairo_image_surface_get_width(image),
                360.0 / cairo_image_surface_get_height(image));
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_status_t st = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    cairo_surface_destroy(image);
    if (st != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "cairo: %s\n", cairo_status_to_string(st));
        return 1;
    }
    return 0;
}
