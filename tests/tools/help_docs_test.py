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


def man_blocks():
    """Plain text of the man page's global part and of each command's item."""
    text = open(man_page, encoding="utf-8").read()
    text = re.sub(r"\\f[BIRP]", "", text).replace("\\-", "-")
    head, _, commands = text.partition(".SH COMMANDS")
    commands, _, _ = commands.partition("\n.SH ")
    blocks = {}
    for item in commands.split(".TP\n")[1:]:
        name = item.split()[1].strip('"')
        blocks[name] = item
    return head, blocks


def completions(*words):
    script = f'source "{completion}"; COMP_WORDS=(gxrm {" ".join(words)}); ' \
             'COMP_CWORD=$((${#COMP_WORDS[@]}-1)); _gxrm; printf "%s\\n" "${COMPREPLY[@]}"'
    env = {"PATH": f"{gxrm.rsplit('/', 1)[0]}:/usr/bin:/bin"}
    return subprocess.run(["bash", "-c", script], capture_output=True, text=True, env=env).stdout.split()


def mentions(text, option):
    return re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", text) is not None


failures = []
head, blocks = man_blocks()
commands = help_section("Subcommands")
for option in help_section("Options"):
    if not mentions(head, option):
        failures.append(f"man page: global option {option} missing")
missing = set(commands + help_section("Options")) - set(completions('""'))
failures += [f"completion: {word} not offered" for word in sorted(missing)]
for command in commands:
    options = [o for o in help_section("Options", command) if o not in ("-h", "--help")]
    if command not in blocks:
        failures.append(f"man page: command {command} missing")
    else:
        failures += [f"man page: {command} {o} missing" for o in options if not mentions(blocks[command], o)]
    offered = completions(command, "-")
    failures += [f"completion: {command} {o} not offered" for o in options if o not in offered]
if not commands:
    failures.append("no commands found in --help")
print("\n".join(failures) or f"{len(commands)} commands documented and completed")
sys.exit(1 if failures else 0)
