// Preloaded by close_with_stalled_fetches.sh: name lookups of hosts ending in
// ".stall.test" hang for two minutes, as with a resolver that never answers.
// Every such lookup is noted in the file named by ORVANE_STALL_LOG.
#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** res)
{
    using Real = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    static const char suffix[] = ".stall.test";
    const size_t n = node ? std::strlen(node) : 0;
    if (n > sizeof suffix - 1 && std::strcmp(node + n - (sizeof suffix - 1), suffix) == 0)
    {
        if (const char* log = std::getenv("ORVANE_STALL_LOG"))
        {
            if (FILE* f = std::fopen(log, "a"))
            {
                std::fprintf(f, "%s\n", node);
                std::fclose(f);
            }
        }
        sleep(120);
        return EAI_AGAIN;
    }
    return real(node, service, hints, res);
}
