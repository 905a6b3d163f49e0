/* The floor of an open: reads a list file with read(2) into one buffer and raw-inflates its
 * first entry into a 1 MiB buffer that is thrown away, as a plain C program would. No checks
 * beyond what finding the data needs. Usage: plain_inflate LIST.kx */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: plain_inflate LIST\n");
        return 2;
    }
    int fd = open(argv[1], O_RDONLY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        perror(argv[1]);
        return 2;
    }
    unsigned char* zip = malloc((size_t)st.st_size);
    size_t got = 0;
    while (got < (size_t)st.st_size) {
        ssize_t n = read(fd, zip + got, (size_t)st.st_size - got);
        if (n <= 0) return 2;
        got += (size_t)n;
    }
    close(fd);
    size_t data = 30 + (zip[26] | zip[27] << 8) + (zip[28] | zip[29] << 8);
    z_stream z = {0};
    inflateInit2(&z, -MAX_WBITS);
    static unsigned char out[1 << 20];
    z.next_in = zip + data;
    z.avail_in = (uInt)(got - data);
    int rc;
    do {
        z.next_out = out;
        z.avail_out = sizeof out;
        rc = inflate(&z, Z_NO_FLUSH);
    } while (rc == Z_OK);
    printf("%lu\n", z.total_out);
    inflateEnd(&z);
    free(zip);
    return rc == Z_STREAM_END ? 0 : 1;
}
