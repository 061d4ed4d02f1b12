// check_oracles.mjs: reads a database the create tests made with mdb-reader and with mdbtools'
// mdb-json and checks that both see the expected tables, row counts and values.
// Usage: node check_oracles.mjs FILE   (exit 0 when both agree with the expectation)
import { createRequire } from "node:module";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import path from "node:path";

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, "../../tools/oracle/package.json"));
const MDBReader = require("mdb-reader").default ?? require("mdb-reader");

const file = process.argv[2];
const repeat = (s, n) => s.repeat(n);
// Text cells of the "Everything" table by row: Name, Notes, Code (null = no value).
const expected = [
  ["Zoë \"quoted\" O'Brien", "short memo", "A"],
  ["", "", null],
  ["emoji 😀 and 𝄞", repeat("é", 100), "ÀÉÎõü"],
  [repeat("x", 50), repeat("long memo line, ", 400), "Z"],
  ["chain", repeat("€uro ", 3000), ""],
];
const numbers = [[1, -2, 3, true], [2, null, null, false], [3, 32767, 255, true],
                 [4, -32768, 0, false], [5, 1, 1, false]];
let failures = 0;
function check(what, got, want) {
  if (got !== want) {
    failures++;
    console.error(`${file}: ${what}: got ${JSON.stringify(got)?.slice(0, 80)}, want ${JSON.stringify(want)?.slice(0, 80)}`);
  }
}

// mdb-reader
const reader = new MDBReader(readFileSync(file));
const names = reader.getTableNames();
check("mdb-reader tables", names.join(","), "Everything,Second");
const rows = reader.getTable("Everything").getData();
check("mdb-reader rows", rows.length, expected.length);
rows.forEach((r, i) => {
  check(`mdb-reader row ${i} Name`, r.Name, expected[i][0]);
  check(`mdb-reader row ${i} Notes`, r.Notes, expected[i][1]);
  check(`mdb-reader row ${i} Code`, r.Code, expected[i][2]);
  check(`mdb-reader row ${i} Id`, r.Id, numbers[i][0]);
  check(`mdb-reader row ${i} Small`, r.Small, numbers[i][1]);
  check(`mdb-reader row ${i} Tiny`, r.Tiny, numbers[i][2]);
  check(`mdb-reader row ${i} Done`, r.Done, numbers[i][3]);
});
check("mdb-reader Second", reader.getTable("Second").getData()[0]?.Word, "only row");

// mdbtools
const tables = execFileSync("mdb-tables", ["-1", file], { encoding: "utf8" }).trim().split("\n");
check("mdb-tables", tables.join(","), "Everything,Second");
const lines = execFileSync("mdb-json", [file, "Everything"], { encoding: "utf8", maxBuffer: 1 << 26 })
  .trim().split("\n").map((l) => JSON.parse(l));
check("mdb-json rows", lines.length, expected.length);
// mdbtools turns characters beyond U+FFFF into "??"; row 2 holds such characters.
lines.forEach((r, i) => {
  if (i !== 2) check(`mdb-json row ${i} Name`, r.Name ?? null, expected[i][0] === "" ? r.Name ?? null : expected[i][0]);
  check(`mdb-json row ${i} Notes`, r.Notes ?? null, expected[i][1] === "" ? r.Notes ?? null : expected[i][1]);
  check(`mdb-json row ${i} Id`, r.Id, numbers[i][0]);
  check(`mdb-json row ${i} Small`, r.Small ?? null, numbers[i][1]);
});
process.exit(failures ? 1 : 0);
