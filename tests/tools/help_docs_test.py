"""The man page and the bash completion know every command and option that
the tool's --help lists. Usage: help_docs_test.py GXRM MAN_PAGE COMPLETION"""
import re
import subprocess
import sys

gxrm, man_page, completion = sys.argv[1:4]


def help_section(section, *command):
    """First words of a section of `gxrm [command] --help`, option aliases split."""
    text = subprocess.run([gxrm, *command, "--help"], capture_output=True, text=True, check=True).stdout
    words, inside = [], False
    for line in text.splitlines():
        if line and not line[0].isspace():
            inside = line.split()[0] == section + ":"
        elif inside and re.match(r"  \S", line):
            words += line.split()[0].split(",")
    return words


def completions(*words):
    script = f'source "{completion}"; COMP_WORDS=(gxrm {" ".join(words)}); ' \
             'COMP_CWORD=$((${#COMP_WORDS[@]}-1)); _gxrm; printf "%s\\n" "${COMPREPLY[@]}"'
    env = {"PATH": f"{gxrm.rsplit('/', 1)[0]}:/usr/bin:/bin"}
    return subprocess.run(["bash", "-c", script], capture_output=True, text=True, env=env).stdout.split()


def mentions(text, option):
    return re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", text) is not None


# The man page's global part, and each command's item of its COMMANDS section.
man = re.sub(r"\\f[BIRP]", "", open(man_page, encoding="utf-8").read()).replace("\\-", "-")
head, _, items = man.partition(".SH COMMANDS")
blocks = {item.split()[1].strip('"'): item for item in items.partition("\n.SH ")[0].split(".TP\n")[1:]}
commands, options = help_section("Subcommands"), help_section("Options")
failures = [] if commands else ["no commands found in --help"]
failures += [f"man page: global option {o} missing" for o in options if not mentions(head, o)]
failures += [f"completion: {w} not offered" for w in sorted(set(commands + options) - set(completions('""')))]
for command in commands:
    own = [o for o in help_section("Options", command) if o not in ("-h", "--help")]
    failures += [f"man page: command {command} missing"] if command not in blocks else [
        f"man page: {command} {o} missing" for o in own if not mentions(blocks[command], o)]
    offered = completions(command, "-")
    failures += [f"completion: {command} {o} not offered" for o in own if o not in offered]
print("\n".join(failures) or f"{len(commands)} commands documented and completed")
sys.exit(1 if failures else 0)
