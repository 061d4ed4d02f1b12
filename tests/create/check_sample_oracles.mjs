// check_sample_oracles.mjs: both independent readers read every table of the shipped sample:
// mdb-reader (row counts and every value decoded) and mdbtools' mdb-json (same row counts).
// Usage: node check_sample_oracles.mjs SAMPLE.mdb   (exit 0 when both read it whole)
import { createRequire } from "node:module";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import path from "node:path";

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, "../../tools/oracle/package.json"));
const MDBReader = require("mdb-reader").default ?? require("mdb-reader");

const file = process.argv[2];
const expected = { Customers: 20, Products: 15, Orders: 120 };
let failures = 0;
const fail = (what) => { failures++; console.error(`${file}: ${what}`); };

const reader = new MDBReader(readFileSync(file));
const names = reader.getTableNames();
if (names.join(",") !== Object.keys(expected).join(",")) fail(`mdb-reader tables ${names}`);
for (const [name, count] of Object.entries(expected)) {
  const rows = reader.getTable(name).getData();
  if (rows.length !== count) fail(`mdb-reader ${name}: ${rows.length} rows, want ${count}`);
  const json = execFileSync("mdb-json", [file, name], { encoding: "utf8", maxBuffer: 1 << 26 });
  const lines = json.trim().split("\n").map((l) => JSON.parse(l));
  if (lines.length !== count) fail(`mdb-json ${name}: ${lines.length} rows, want ${count}`);
  // Texts without characters beyond U+FFFF must read the same in both.
  lines.forEach((l, i) => {
    for (const [k, v] of Object.entries(l)) {
      if (typeof v === "string" && typeof rows[i][k] === "string" && v !== rows[i][k]) {
        fail(`${name}[${i}].${k}: mdb-json ${JSON.stringify(v).slice(0, 60)} vs mdb-reader ${JSON.stringify(rows[i][k]).slice(0, 60)}`);
      }
    }
  });
}
process.exit(failures ? 1 : 0);
