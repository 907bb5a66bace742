/* W3 "picture" with libharu: one page holding picture.png, decoded by libharu and stored as a
 * Flate-compressed RGB image. Usage: haru_w3 INPUTS_DIR OUT.pdf */
#include <hpdf.h>
#include <setjmp.h>
#include <stdio.h>

static jmp_buf env;

static void on_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void *user_data)
{
    (void)user_data;
    fprintf(stderr, "libharu error %04X, detail %u\n", (unsigned)error_no, (unsigned)detail_no);
    longjmp(env, 1);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s INPUTS_DIR OUT.pdf\n", argv[0]);
        return 2;
    }
    char path[4096];
    snprintf(path, sizeof path, "%s/picture.png", argv[1]);

    HPDF_Doc pdf = HPDF_New(on_error, NULL);
    if (!pdf) return 1;
    if (setjmp(env)) {
        HPDF_Free(pdf);
        return 1;
    }
    /* Only the image data is Flate-compressed. */
    HPDF_SetCompressionMode(pdf, HPDF_COMP_IMAGE);
    HPDF_Page page = HPDF_AddPage(pdf);
    HPDF_Page_SetWidth(page, 612);
    HPDF_Page_SetHeight(page, 792);
    HPDF_Image image = HPDF_LoadPngImageFromFile(pdf, path);
    HPDF_Page_DrawImage(page, image, 36, 396, 540, 360);
    HPDF_STATUS st = HPDF_SaveToFile(pdf, argv[2]);
    HPDF_Free(pdf);
    return st == HPDF_OK ? 0 : 1;
}
