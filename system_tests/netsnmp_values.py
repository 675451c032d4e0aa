"""What net-snmp's tools answer, in the SNMP client's own terms: the syntax codes and value
texts that CSNMPmon gives the same answer, read from snmpget/snmpgetnext/snmpwalk -On -Oe -Ot."""

SYNTAX_CODE = {"INTEGER": 9, "STRING": 8, "Hex-STRING": 8, "OID": 11, "IpAddress": 16, "Counter32": 14,
               "Gauge32": 13, "Timeticks": 12, "Opaque": 7, "Counter64": 3}
EXCEPTIONS = {"No Such Object": (20, "no such object"), "No Such Instance": (21, "no such instance"),
              "No more variables": (19, "end of mib")}


def netsnmp(agent, *oids, version="2c", command="snmpget"):
    """{oid: (syntax code, value text)} of net-snmp's -On -Oe -Ot answer, our texts' form."""
    out = agent.get(*["." + o for o in oids], version=version, command=command,
                    options=("-On", "-Oe", "-Ot"))
    found = {}
    for line in out.stdout.splitlines():
        oid, _, rest = line.partition(" = ")
        oid = oid.lstrip(".")
        for start, (code, text) in EXCEPTIONS.items():
            if rest.startswith(start):
                found[oid] = (code, text)
                break
        else:
            if rest == '""':
                found[oid] = (8, "Empty")
                continue
            kind, _, value = rest.partition(": ") if ": " in rest else ("Timeticks", "", rest)
            value = value.strip()
            if kind == "STRING":
                value = value.strip('"')
            elif kind == "Hex-STRING":
                value = value.replace(" ", "").upper()
            elif kind == "OID":
                value = value.lstrip(".")
            found[oid] = (SYNTAX_CODE[kind], value)
    return found
