#!/usr/bin/env python3
"""Fails when the sources run up the layers.

    scripts/check-layers.py LAYER_MAP [SOURCE_ROOT]

LAYER_MAP is the build's layers.txt (cmake/MovaraLayers.cmake writes it): each
library of src/ with its folder, its layer and the libraries it links. From it:

- every source file under SOURCE_ROOT (default: the project's src/) lies in
  the folder of some library, its own or one of its subfolders;
- a library links only libraries of lower layers;
- every include that names a file of src/, quoted or in angle brackets,
  plain or relative, names a header of the including file's own library or
  of one it links, directly or through those.
"""
import os
import re
import sys

SOURCE_SUFFIXES = ('.c', '.cpp', '.h', '.hpp', '.rc', '.def')
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


class Library:
    def __init__(self, name, folder, layer, links):
        self.name, self.folder, self.layer, self.links = name, folder, layer, links


def read_layer_map(path):
    libraries = {}
    with open(path, encoding='utf-8') as lines:
        for line in lines:
            line = line.rstrip('\n')
            if not line:
                continue
            name, folder, layer, links = line.split('|')
            libraries[name] = Library(name, folder, int(layer), links.split())
    return libraries


def owner_of(folder, libraries):
    """The library whose folder holds `folder`: the longest matching one."""
    best = None
    for library in libraries.values():
        if folder == library.folder or folder.startswith(library.folder + '/'):
            if best is None or len(library.folder) > len(best.folder):
                best = library
    return best


def reachable(library, libraries):
    seen, todo = {library.name}, list(library.links)
    while todo:
        name = todo.pop()
        if name in seen or name not in libraries:
            continue
        seen.add(name)
        todo.extend(libraries[name].links)
    return seen


def included_file(src, including, bracket, name):
    """The path below src/ that an include names, or None for a header that
    is not the project's (the system's, a library's, or the tests')."""
    name = name.replace('\\', '/')
    if bracket == '"':
        local = os.path.normpath(os.path.join(os.path.dirname(including), name))
        if os.path.exists(os.path.join(src, local)) and not local.startswith('..'):
            return local
    top = name.split('/')[0]
    if '/' in name and os.path.isdir(os.path.join(src, top)):
        return os.path.normpath(name)
    return None


def check(src, libraries):
    problems = []
    for name, library in sorted(libraries.items()):
        if library.layer < 0:
            problems.append(f'{name} (src/{library.folder}) is in no layer of MOVARA_LAYERS')
        for link in library.links:
            below = libraries[link]
            if below.layer >= library.layer:
                problems.append(f'{name} (layer {library.layer}) links {link} (layer {below.layer}), '
                                'which is not below it')
    for root, _, files in os.walk(src):
        for file in sorted(files):
            if not file.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.relpath(os.path.join(root, file), src).replace(os.sep, '/')
            library = owner_of(os.path.dirname(path), libraries)
            if library is None:
                problems.append(f'{path} lies in no library\'s folder')
                continue
            allowed = reachable(library, libraries)
            with open(os.path.join(src, path), encoding='utf-8', errors='replace') as text:
                for bracket, name in INCLUDE.findall(text.read()):
                    target = included_file(src, path, bracket, name)
                    if target is None:
                        continue
                    owner = owner_of(os.path.dirname(target), libraries)
                    if owner is None:
                        problems.append(f'{path} includes {name}, which lies in no library\'s folder')
                    elif owner.name not in allowed:
                        problems.append(f'{path} includes {name} of {owner.name}, which {library.name} '
                                        'does not link')
    return problems


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    src = argv[2] if len(argv) > 2 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src')
    problems = check(os.path.abspath(src), read_layer_map(argv[1]))
    for problem in problems:
        print('layers: ' + problem, file=sys.stderr)
    if problems:
        return 1
    print('layers: every include and link looks down')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
