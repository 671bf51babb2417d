#!/usr/bin/env python3
"""The functions of a WebAssembly module that can be on the stack when it waits.

    asyncify-waits.py MODULE.wasm WAIT[,WAIT...] OUT.txt

The browser build waits by unwinding the stack to the page and rewinding it later (Emscripten's
Asyncify), and only the functions listed for it are made able to do that. This reads the module
linked without that instrumentation but with function names (--profiling-funcs), as optimized as
the real link is before it instruments, and writes each function that can reach one of the WAIT
imports, one a line, in the list form emcc reads (-sASYNCIFY_ONLY=@OUT.txt).

A function can reach a wait when it calls one directly, calls a function that can, calls through
the exception wrappers (invoke_*) a function that can, or calls through a function pointer of a
signature that some function in the table with that signature can wait behind. The last is an
over-approximation, never an omission, so the list is safe; it is far shorter than instrumenting
every function that calls through a pointer.
"""
import re
import subprocess
import sys

TYPES = {'i': 'i32', 'j': 'i64', 'f': 'f32', 'd': 'f64'}


def signature(text):
    params = ' '.join(re.findall(r'\(param (?:\$\S+ )?([^)]*)\)', text)).split()
    result = re.search(r'\(result ([^)]*)\)', text)
    return tuple(params), result.group(1) if result else ''


def wrapped_signature(name):
    """The signature of the function an exception wrapper calls: invoke_vii takes (i32, i32), returns nothing."""
    code = name.split('invoke_')[1]
    return tuple(TYPES[c] for c in code[1:]), '' if code[0] == 'v' else TYPES[code[0]]


def read_module(path):
    wat = subprocess.run(['wasm-dis', path], capture_output=True, text=True, check=True).stdout
    types, imports, funcs = {}, set(), {}
    current, wrapper = None, None
    for line in wat.split('\n'):
        if m := re.match(r' \(type \$(\S+) \(func(.*)\)\)$', line):
            types[m.group(1)] = signature(m.group(2))
        elif m := re.match(r' \(import "[^"]*" "[^"]*" \(func \$(\S+)', line):
            imports.add(m.group(1))
        elif m := re.match(r' \(func \$(\S+)(.*)', line):
            current = m.group(1)
            funcs[current] = {'sig': signature(m.group(2)), 'calls': set(), 'pointers': set(), 'wrapped': []}
        elif current:
            f = funcs[current]
            if wrapper:  # the wrapper's first operand: the table slot, when it is a constant
                slot = re.match(r'\s*\(i32\.const (\d+)\)', line)
                f['wrapped'].append((wrapper, int(slot.group(1)) if slot else None))
                wrapper = None
            for c in re.finditer(r'\(call \$(\S+)', line):
                if c.group(1) in imports and 'invoke_' in c.group(1):
                    wrapper = c.group(1)
                else:
                    f['calls'].add(c.group(1))
            for c in re.finditer(r'\(call_indirect \(type \$(\S+)\)', line):
                f['pointers'].add(types[c.group(1)])
    table = []  # the function in slot n is table[n - 1]
    for m in re.finditer(r'\(elem \(i32\.const 1\)([^\n]*)', wat):
        table += re.findall(r'\$(\S+?)(?=[ )])', m.group(1))
    return imports, funcs, table


def waiting_functions(imports, funcs, table, waits):
    reach = set()
    while True:
        hot = {funcs[t]['sig'] for t in table if t in reach}  # signatures that some slot can wait behind
        added = False
        for name, f in funcs.items():
            if name in reach:
                continue
            if (any(c in reach or (c in imports and c in waits) for c in f['calls']) or f['pointers'] & hot or
                    any(table[slot - 1] in reach if slot else wrapped_signature(w) in hot for w, slot in f['wrapped'])):
                reach.add(name)
                added = True
        if not added:
            return reach


def list_entry(name):
    """The name as emcc's list matches it: escapes undone, every bracketed part a wildcard (short
    enough for one command-line argument, balanced as emcc wants), and the characters emcc reads
    as others ('.', '#', '?') wildcards too."""
    name = re.sub(r'\\([0-9a-f]{2})', lambda m: chr(int(m.group(1), 16)), name)
    name = re.sub(r'operator[^\w\s(]+(?=\()', 'operator*', name)  # operator<, operator->: not brackets
    out, closers = [], []
    for ch in name:
        if ch in '(<':
            if not closers:
                out.append(ch + '*')
            closers.append(')' if ch == '(' else '>')
        elif closers and ch == closers[-1]:
            closers.pop()
            if not closers:
                out.append(ch)
        elif not closers:
            out.append(ch)
    return re.sub(r'[.#?]', '*', ''.join(out) if not closers else name)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    imports, funcs, table = read_module(sys.argv[1])
    waits = set(sys.argv[2].split(','))
    if not waits & imports:
        sys.exit(f'asyncify-waits: the module imports none of {sorted(waits)}')
    reach = waiting_functions(imports, funcs, table, waits)
    entries = sorted({list_entry(n) for n in reach})
    with open(sys.argv[3], 'w') as out:
        out.write(''.join(e + '\n' for e in entries))
    print(f'asyncify-waits: {len(reach)} of {len(funcs)} functions can be on the stack at a wait')


if __name__ == '__main__':
    main()
