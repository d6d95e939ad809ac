// Runs a recorded Plasma desktop script against two stand-in desktops and
// checks what it set on each: the image plugin, its Image as a file URL of a
// fresh copy of the picture in the application folder, and its FillMode.
// Usage: node plasma_check.js SCRIPT APPLICATION_FOLDER PICTURE FILL_MODE
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');
const { fileURLToPath } = require('url');

const [scriptFile, folder, picture, fillMode] = process.argv.slice(2);
const script = fs.readFileSync(scriptFile, 'utf8');
const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };

check(/^[\x20-\x7e\n]*$/.test(script), 'the script is not plain ASCII');

class Desktop {
  constructor(id) {
    this.id = id;
    this.wallpaperPlugin = 'org.kde.color';
    this.currentConfigGroup = [];
    this.config = {};
  }
  writeConfig(key, value) {
    this.config[[...this.currentConfigGroup, key].join('/')] = value;
  }
}
const desktops = [new Desktop(0), new Desktop(1)];
vm.runInNewContext(script, { desktops: () => desktops }, { timeout: 5000 });

for (const d of desktops) {
  check(d.wallpaperPlugin === 'org.kde.image', `desktop ${d.id}: plugin ${d.wallpaperPlugin}`);
  const image = d.config['Wallpaper/org.kde.image/General/Image'];
  const mode = d.config['Wallpaper/org.kde.image/General/FillMode'];
  check(String(mode) === fillMode, `desktop ${d.id}: FillMode ${mode}, expected ${fillMode}`);
  let file = '';
  try {
    file = fileURLToPath(new URL(image));
  } catch (error) {
    failures.push(`desktop ${d.id}: Image ${image} is no file URL (${error.message})`);
    continue;
  }
  check(path.dirname(file) === folder, `desktop ${d.id}: ${file} is not in ${folder}`);
  check(/^wallpaper-[0-9]+\.bmp$/.test(path.basename(file)), `desktop ${d.id}: name ${file}`);
  check(fs.existsSync(file) && fs.readFileSync(file).equals(fs.readFileSync(picture)),
        `desktop ${d.id}: ${file} does not hold the picture`);
}
if (failures.length > 0) {
  console.error(failures.join('\n'));
  process.exit(1);
}
