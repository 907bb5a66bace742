/* W1 "report" with libharu: N pages of greedily wrapped Helvetica text, 20 lines,
 * 5 stroked and 1 filled rectangle and one shared JPEG.
 * Usage: haru_w1 INPUTS_DIR N OUT.pdf */
#include <hpdf.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static jmp_buf env;

static void on_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void *user_data)
{
    (void)user_data;
    fprintf(stderr, "libharu error %04X, detail %u\n", (unsigned)error_no, (unsigned)detail_no);
    longjmp(env, 1);
}

static char *read_file(const char *path, size_t *len)
{
    FILE *f = fopen(path, "rb");
    if (!f) { perror(path); exit(1); }
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fseek(f, 0, SEEK_SET);
    char *buf = malloc((size_t)n + 1);
    if (fread(buf, 1, (size_t)n, f) != (size_t)n) { perror(path); exit(1); }
    fclose(f);
    buf[n] = 0;
    *len = (size_t)n;
    return buf;
}

/* Width of a string in glyph units (1/1000 of the font size). */
static HPDF_UINT width_of(HPDF_Font font, const char *s, size_t len)
{
    return HPDF_Font_TextWidth(font, (const HPDF_BYTE *)s, (HPDF_UINT)len).width;
}

/* Wraps the text greedily into 540 pt at size 10 (54000 glyph units) and shows one line per
 * TextOut, baselines 746, 736, ... */
static void draw_text(HPDF_Page page, HPDF_Font font, const char *text, size_t len)
{
    const HPDF_UINT limit = 54000;
    const HPDF_UINT space = width_of(font, " ", 1);
    char line[4096];
    size_t line_len = 0;
    HPDF_UINT line_w = 0;
    int k = 0;
    size_t i = 0;

    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, font, 10);
    while (i <= len) {
        /* one paragraph: up to LF or the end */
        size_t end = i;
        while (end < len && text[end] != '\n') end++;
        line_len = 0;
        line_w = 0;
        size_t w = i;
        while (w < end) {
            size_t we = w;
            while (we < end && text[we] != ' ') we++;
            HPDF_UINT ww = width_of(font, text + w, we - w);
            if (line_len > 0 && line_w + space + ww > limit) {
                line[line_len] = 0;
                HPDF_Page_TextOut(page, 36, 746 - 10 * k++, line);
                line_len = 0;
                line_w = 0;
            }
            if (line_len > 0) {
                line[line_len++] = ' ';
                line_w += space;
            }
            memcpy(line + line_len, text + w, we - w);
            line_len += we - w;
            line_w += ww;
            w = we + 1;
        }
        if (line_len > 0) {
            line[line_len] = 0;
            HPDF_Page_TextOut(page, 36, 746 - 10 * k++, line);
        }
        i = end + 1;
    }
    HPDF_Page_EndText(page);
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
    size_t text_len;
    snprintf(path, sizeof path, "%s/text.txt", dir);
    char *text = read_file(path, &text_len);

    HPDF_Doc pdf = HPDF_New(on_error, NULL);
    if (!pdf) return 1;
    if (setjmp(env)) {
        HPDF_Free(pdf);
        return 1;
    }
    /* Content streams stay uncompressed; the JPEG is stored as it is (DCTDecode) anyway. */
    HPDF_SetCompressionMode(pdf, HPDF_COMP_NONE);
    HPDF_Font font = HPDF_GetFont(pdf, "Helvetica", "WinAnsiEncoding");
    snprintf(path, sizeof path, "%s/image.jpg", dir);
    HPDF_Image image = HPDF_LoadJpegImageFromFile(pdf, path);

    for (int p = 0; p < pages; p++) {
        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetWidth(page, 612);
        HPDF_Page_SetHeight(page, 792);

        draw_text(page, font, text, text_len);

        HPDF_Page_SetLineWidth(page, 1);
        for (int i = 0; i < 20; i++) {
            HPDF_Page_MoveTo(page, 36, 60 + 30 * i);
            HPDF_Page_LineTo(page, 576, 60 + 30 * i);
            HPDF_Page_Stroke(page);
        }
        for (int i = 0; i < 5; i++) {
            HPDF_Page_Rectangle(page, 36 + 110 * i, 200, 100, 50);
            HPDF_Page_Stroke(page);
        }
        HPDF_Page_SetGrayFill(page, 0.5);
        HPDF_Page_Rectangle(page, 36, 40, 100, 50);
        HPDF_Page_Fill(page);

        HPDF_Page_DrawImage(page, image, 376, 40, 200, 150);
    }
    if (HPDF_SaveToFile(pdf, argv[3]) != HPDF_OK) {
        HPDF_Free(pdf);
        return 1;
    }
    HPDF_Free(pdf);
    free(text);
    return 0;
}
