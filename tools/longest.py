#!/usr/bin/env python3
"""Lists the longest C++ files and function bodies of the tree (lines from the opening line
of a definition to its closing brace): `tools/longest.py [N] [FOLDER...]`. Reads the files git
tracks; strings, characters and comments are skipped when braces are counted."""
import re
import subprocess
import sys


def strip(text):
    # Blanks out comments, strings and character literals, keeping the line breaks.
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i)
            i = n if j < 0 else j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append('\n' * text.count('\n', i, j))
            i = j
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == '_')):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(')' + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append('""' + '\n' * text.count('\n', i, j))
            i = j
        elif c in '"\'':
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == '\\' else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def functions(path):
    text = strip(open(path, encoding='utf-8', errors='replace').read())
    found, stack, head_start = [], [], 0
    line = 1
    for i, c in enumerate(text):
        if c == '\n':
            line += 1
        elif c == '{':
            head = text[head_start:i]
            kind = 'block'
            if re.search(r'\b(namespace|class|struct|enum|union)\b[^()]*$', head) or re.search(r'=\s*$', head):
                kind = 'scope'
            elif ')' in head and all(k != 'function' for k, _, _ in stack):
                kind = 'function'
            stack.append((kind, line - head.strip('\n').count('\n') if kind == 'function' else line, head))
            head_start = i + 1
        elif c == '}':
            if stack:
                kind, start, head = stack.pop()
                if kind == 'function':
                    name = re.findall(r'([~\w:]+)\s*\(', head)
                    found.append((line - start + 1, f'{path}:{start}', name[0] if name else '?'))
            head_start = i + 1
        elif c == ';':
            head_start = i + 1
    return found


def main():
    args = sys.argv[1:]
    count = int(args.pop(0)) if args and args[0].isdigit() else 5
    files = subprocess.check_output(['git', 'ls-files', '--', *(args or ['.'])], text=True).split()
    files = [f for f in files if f.endswith(('.cpp', '.h'))]
    sizes = sorted(((sum(1 for _ in open(f, encoding='utf-8', errors='replace')), f) for f in files), reverse=True)
    print('longest files:')
    for n, f in sizes[:count]:
        print(f'  {n:5}  {f}')
    print('longest functions:')
    for n, where, name in sorted((fn for f in files for fn in functions(f)), reverse=True)[:count]:
        print(f'  {n:5}  {where}  {name}')


if __name__ == '__main__':
    main()
