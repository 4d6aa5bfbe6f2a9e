# Recognises, in winedbg "bt all" output (raw, or as scripts/soak keeps it in a scenario's log, each line
# after "winedbg | "), Wine 8 combase's own deadlock when the last stubs of two objects of one interface go
# at once in a process: one thread waits in RpcServerUnregisterIf, called by rpc_unregister_interface,
# which holds combase's interface-registration lock while it waits; another thread of the same process
# waits for that lock, directly in rpc_unregister_interface. Neither thread may have a TavoMessenger frame:
# a chain the module takes part in is never called Wine's.
#   awk -f wine-hangs.awk FILE...
# Prints the finding and the two stacks, and exits 0, when the shape is there; prints nothing and exits 1
# otherwise. Several dumps in one file (a new "bt all" starts when a thread is met again) are judged apart.

function frame_name(line,    name) {
    # "  3 0x000000684e1b6e rpc_unregister_interface+0x7e(riid=...) [...] in combase (0x...)"; a frame
    # without symbols reads "  0 0x0000007bc0c51c in ntdll (+0xc51c) (0x...)".
    name = line
    sub(/^(=>| )? *[0-9]+ 0x[0-9a-fA-F]+ /, "", name)
    if (name ~ /^in /) return ""
    sub(/[+(].*$/, "", name)
    return name
}

function frame_module(line,    module) {
    module = line
    if (!match(module, / in [A-Za-z0-9_.-]+ \(/)) return ""
    module = substr(module, RSTART + 4, RLENGTH - 6)
    return tolower(module)
}

# Frames 0 .. last - 1 of thread t all in the given system modules ("|ntdll|kernelbase|").
function waiting_in(t, last, modules,    i) {
    for (i = 0; i < last; i++)
        if (index(modules, "|" module[t, i] "|") == 0) return 0
    return 1
}

# The index of the first frame of thread t named `name`, or -1.
function frame_of(t, name,    i) {
    for (i = 0; i < frames[t]; i++)
        if (fname[t, i] == name) return i
    return -1
}

function holds_lock(t,    unregister, server) {
    unregister = frame_of(t, "rpc_unregister_interface")
    server = frame_of(t, "RpcServerUnregisterIf")
    return unregister > 0 && server == unregister - 1 && !module_frame[t] &&
           waiting_in(t, server, "|ntdll|kernelbase|kernel32|rpcrt4|")
}

function waits_for_lock(t,    unregister) {
    unregister = frame_of(t, "rpc_unregister_interface")
    return unregister > 0 && frame_of(t, "RpcServerUnregisterIf") < 0 && !module_frame[t] &&
           waiting_in(t, unregister, "|ntdll|kernelbase|kernel32|")
}

{
    line = $0
    sub(/\r$/, "", line)
    sub(/^.*winedbg \| /, "", line)
}

line ~ /^Backtracing for thread [0-9a-fA-F]+ in process [0-9a-fA-F]+ / {
    split(line, word, " ")
    key = word[7] ":" word[4]
    if (key in seen_in_dump) {
        dump++
        for (k in seen_in_dump) delete seen_in_dump[k]
    }
    seen_in_dump[key] = 1
    t = ++threads
    thread_id[t] = word[4]
    process_id[t] = word[7]
    process_key[t] = dump ":" word[7]
    image[t] = line
    sub(/^[^(]*\(/, "", image[t])
    sub(/\):?$/, "", image[t])
    sub(/^.*\\/, "", image[t])
    frames[t] = 0
    stack[t] = line
    next
}

threads && line ~ /^(=>| ) *[0-9]+ 0x[0-9a-fA-F]+ / {
    i = frames[t]++
    fname[t, i] = frame_name(line)
    module[t, i] = frame_module(line)
    if (tolower(line) ~ /tavomessenger/) module_frame[t] = 1
    stack[t] = stack[t] "\n" line
    next
}

END {
    for (h = 1; h <= threads; h++) {
        if (!holds_lock(h)) continue
        for (w = 1; w <= threads; w++) {
            if (w == h || process_key[w] != process_key[h] || !waits_for_lock(w)) continue
            printf "soak: Wine's own deadlock, not the module's: in process %s (%s), thread %s waits in " \
                   "RpcServerUnregisterIf, called by rpc_unregister_interface, which holds the lock that thread %s, " \
                   "also in rpc_unregister_interface, waits for; no TavoMessenger frame in either (Wine 8 combase, " \
                   "the last stubs of two objects of one interface going at once). The two stacks:\n",
                   process_id[h], image[h], thread_id[h], thread_id[w]
            print stack[h]
            print stack[w]
            exit 0
        }
    }
    exit 1
}
