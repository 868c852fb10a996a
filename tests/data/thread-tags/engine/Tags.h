// Tags the thread-tag check lets pass, and one a line that it names.
int a();  // [main-thread, not real-time safe]
int b();  // [audio-thread or the host's input thread]
// [any-thread: the one that created it]
int c();  // [any thread]
/* [render thread] */
int d(int x[3]);  // [the host's user-interface thread]
 * [One thread at a time]
const char* e = "[any thread]";
