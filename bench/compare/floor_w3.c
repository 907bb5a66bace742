/* W3 floor: the least work any library must do for the picture workload. Decodes picture.png to
 * RGB with libpng's simplified API, compresses the raw rows with one zlib compress() call
 * (default level) and writes a minimal one-page PDF drawing that image into x 36..576,
 * y 396..756. Usage: floor_w3 INPUTS_DIR OUT.pdf */
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s INPUTS_DIR OUT.pdf\n", argv[0]);
        return 2;
    }
    char path[4096];
    snprintf(path, sizeof path, "%s/picture.png", argv[1]);

    png_image png;
    memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path)) {
        fprintf(stderr, "%s: %s\n", path, png.message);
        return 1;
    }
    png.format = PNG_FORMAT_RGB;
    size_t raw_len = PNG_IMAGE_SIZE(png);
    unsigned char *raw = malloc(raw_len);
    if (!raw || !png_image_finish_read(&png, NULL, raw, 0, NULL)) {
        fprintf(stderr, "%s: %s\n", path, png.message);
        return 1;
    }

    uLongf z_len = compressBound(raw_len);
    unsigned char *z = malloc(z_len);
    if (!z || compress(z, &z_len, raw, raw_len) != Z_OK) {
        fprintf(stderr, "compress failed\n");
        return 1;
    }
    free(raw);

    FILE *f = fopen(argv[2], "wb");
    if (!f) { perror(argv[2]); return 1; }
    long off[6];
    static const char content[] = "q 540 0 0 360 36 396 cm /Im0 Do Q\n";
    fputs("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", f);
    off[1] = ftell(f);
    fputs("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n", f);
    off[2] = ftell(f);
    fputs("2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n", f);
    off[3] = ftell(f);
    fputs("3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
          "/Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>\nendobj\n", f);
    off[4] = ftell(f);
    fprintf(f, "4 0 obj\n<< /Length %zu >>\nstream\n%sendstream\nendobj\n", sizeof content - 1, content);
    off[5] = ftell(f);
    fprintf(f, "5 0 obj\n<< /Type /XObject /Subtype /Image /Width %u /Height %u "
               "/BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /FlateDecode /Length %lu >>\nstream\n",
            png.width, png.height, (unsigned long)z_len);
    fwrite(z, 1, z_len, f);
    fputs("\nendstream\nendobj\n", f);
    long xref = ftell(f);
    fputs("xref\n0 6\n0000000000 65535 f \n", f);
    for (int i = 1; i <= 5; i++) fprintf(f, "%010ld 00000 n \n", off[i]);
    fprintf(f, "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n%ld\n%%%%EOF\n", xref);
    free(z);
    if (fclose(f) != 0) { perror(argv[2]); return 1; }
    png_image_free(&png);
    return 0;
}
