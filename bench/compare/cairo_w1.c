/* W1 "report" with cairo's PDF surface: N pages of greedily wrapped Helvetica text, 20 lines,
 * 5 stroked and 1 filled rectangle and one shared JPEG. cairo's user space has y pointing down,
 * so every PDF y is drawn at 792 - y. cairo embeds the font it finds for "Helvetica" (a
 * metric-compatible clone), compresses its content streams and writes fills in RGB: its own
 * rules, which it gives no way to change. Usage: cairo_w1 INPUTS_DIR N OUT.pdf */
#include <cairo-pdf.h>
#include <cairo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned char *read_file(const char *path, size_t *len)
{
    FILE *f = fopen(path, "rb");
    if (!f) { perror(path); exit(1); }
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char *buf = malloc((size_t)n + 1);
    if (fread(buf, 1, (size_t)n, f) != (size_t)n) { perror(path); exit(1); }
    fclose(f);
    buf[n] = 0;
    *len = (size_t)n;
    return buf;
}

static double advance(cairo_t *cr, const char *s)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, s, &e);
    return e.x_advance;
}

/* Greedy wrap into 540 pt with the advances of the selected font at size 10; one show_text per
 * line, baselines at PDF y 746, 736, ... */
static void draw_text(cairo_t *cr, const char *text, size_t len)
{
    const double limit = 540.0;
    const double space = advance(cr, " ");
    char line[4096], word[1024];
    size_t line_len;
    double line_w;
    int k = 0;
    size_t i = 0;
    while (i <= len) {
        size_t end = i;
        while (end < len && text[end] != '\n') end++;
        line_len = 0;
        line_w = 0;
        size_t w = i;
        while (w < end) {
            size_t we = w;
            while (we < end && text[we] != ' ') we++;
            memcpy(word, text + w, we - w);
            word[we - w] = 0;
            double ww = advance(cr, word);
            if (line_len > 0 && line_w + space + ww > limit) {
                line[line_len] = 0;
                cairo_move_to(cr, 36, 792 - (746 - 10 * k++));
                cairo_show_text(cr, line);
                line_len = 0;
                line_w = 0;
            }
            if (line_len > 0) {
                line[line_len++] = ' ';
                line_w += space;
            }
            memcpy(line + line_len, word, we - w);
            line_len += we - w;
            line_w += ww;
            w = we + 1;
        }
        if (line_len > 0) {
            line[line_len] = 0;
            cairo_move_to(cr, 36, 792 - (746 - 10 * k++));
            cairo_show_text(cr, line);
        }
        i = end + 1;
    }
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s INPUTS_DIR N OUT.pdf\n", argv[0]);
        return 2;
    }
    const char *dir = argv[1];
    int pages = atoi(argv[2]);
    char path[4096];
    size_t text_len, jpeg_len;
    snprintf(path, sizeof path, "%s/text.txt", dir);
    char *text = (char *)read_file(path, &text_len);
    snprintf(path, sizeof path, "%s/image.jpg", dir);
    unsigned char *jpeg = read_file(path, &jpeg_len);

    /* The JPEG goes into the PDF as it is: cairo writes the attached JPEG data (DCTDecode) for an
     * image surface of the same size, and one surface drawn on every page is one XObject. */
    cairo_surface_t *image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 640, 480);
    cairo_surface_set_mime_data(image, CAIRO_MIME_TYPE_JPEG, jpeg, jpeg_len, free, jpeg);
    static const unsigned char id[] = "image.jpg";
    cairo_surface_set_mime_data(image, CAIRO_MIME_TYPE_UNIQUE_ID, id, sizeof id - 1, NULL, NULL);

    cairo_surface_t *surface = cairo_pdf_surface_create(argv[3], 612, 792);
    cairo_t *cr = cairo_create(surface);
    for (int p = 0; p < pages; p++) {
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_select_font_face(cr, "Helvetica", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 10);
        draw_text(cr, text, text_len);

        cairo_set_line_width(cr, 1);
        for (int i = 0; i < 20; i++) {
            cairo_move_to(cr, 36, 792 - (60 + 30 * i));
            cairo_line_to(cr, 576, 792 - (60 + 30 * i));
            cairo_stroke(cr);
        }
        for (int i = 0; i < 5; i++) {
            cairo_rectangle(cr, 36 + 110 * i, 792 - 250, 100, 50);
            cairo_stroke(cr);
        }
        cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
        cairo_rectangle(cr, 36, 792 - 90, 100, 50);
        cairo_fill(cr);

        cairo_save(cr);
        cairo_translate(cr, 376, 792 - 190);
        cairo_scale(cr, 200.0 / 640, 150.0 / 480);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);

        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_status_t st = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    cairo_surface_destroy(image);
    free(text);
    if (st != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "cairo: %s\n", cairo_status_to_string(st));
        return 1;
    }
    return 0;
}
