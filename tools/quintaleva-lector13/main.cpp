// quintaleva-lector13: reads a version 1.3 file for the import, in a process of its own so that a
// damaged file that makes libmdb loop or crash takes only this process down. Started by the
// program (COldDatabaseProcess) with the answer pipe on descriptor 3.
#include "config/OldDatabaseProcess.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2 || ::fcntl(3, F_GETFD) < 0) {
        std::fprintf(stderr, "Uso: quintaleva-lector13 ARCHIVO 3>RESPUESTA (lo inicia Quintaleva al importar)\n");
        return 2;
    }
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer reserves far more address space than this
    // A damaged file must not make libmdb take the machine's memory.
    const rlimit memory{rlim_t{4} << 30, rlim_t{4} << 30};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    // Straight out once answered: nothing of libmdb's is worth tearing down (nor a leak check).
    ::_exit(COldDatabaseProcess::Serve(argv[1], 3));
}
