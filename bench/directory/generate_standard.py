#!/usr/bin/env python3
"""Writes a directory in the standard schemas (core, cosine, inetorgperson) as LDIF:
one dcObject/organization top entry, OUS organizationalUnits below it and PEOPLE
inetOrgPerson entries spread evenly over them. Deterministic.

Usage: generate_standard.py OUT.ldif [--ous 2000] [--people 200000] [--base dc=bench,dc=example]
"""
import argparse

parser = argparse.ArgumentParser()
parser.add_argument("out")
parser.add_argument("--ous", type=int, default=2000)
parser.add_argument("--people", type=int, default=200000)
parser.add_argument("--base", default="dc=bench,dc=example")
args = parser.parse_args()

dc = args.base.split(",")[0].split("=", 1)[1]
with open(args.out, "w", encoding="utf-8") as out:
    out.write(f"dn: {args.base}\nobjectClass: dcObject\nobjectClass: organization\n"
              f"dc: {dc}\no: Bench Example\n")
    for o in range(args.ous):
        out.write(f"\ndn: ou=Unit{o:05d},{args.base}\nobjectClass: organizationalUnit\n"
                  f"ou: Unit{o:05d}\n")
    for p in range(args.people):
        ou = f"ou=Unit{p % args.ous:05d},{args.base}"
        uid = f"user{p:07d}"
        out.write(f"\ndn: uid={uid},{ou}\nobjectClass: inetOrgPerson\nuid: {uid}\n"
                  f"cn: User {p}\nsn: Number{p}\ngivenName: User\n"
                  f"mail: {uid}@bench.example\ntelephoneNumber: +1 555 {p % 10000:04d}\n")
