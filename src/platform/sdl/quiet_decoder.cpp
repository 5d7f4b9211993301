// The MP3 decoder under SDL2_mixer writes notes of its own about a damaged
// file straight to standard error, many lines a file ("Trying to resync...").
// Where standard error is the program's only voice (the display mode: one
// line per message) a damaged song is not news: every decoder handle the
// mixer makes is made quiet. The program's own definition of the decoder's
// constructor comes first in the lookup of the mixer's calls; it makes the
// decoder's own and sets its quiet flag.
#include <dlfcn.h>
#include <sys/types.h>

#include <mpg123.h>

extern "C" mpg123_handle* mpg123_new(const char* decoder, int* error) {
    using Constructor = mpg123_handle* (*)(const char*, int*);
    static const auto made = reinterpret_cast<Constructor>(dlsym(RTLD_NEXT, "mpg123_new"));
    if (made == nullptr) {
        if (error != nullptr) *error = MPG123_ERR;
        return nullptr;
    }
    mpg123_handle* handle = made(decoder, error);
    if (handle != nullptr) mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    return handle;
}
